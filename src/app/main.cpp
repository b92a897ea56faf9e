#include "app/AppServices.h"
#include "shell/Fonts.h"
#include "shell/WindowRegistry.h"
#include "shell/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    pellix::shell::installFontSubstitutions();
    pellix::app::AppServices services;
    pellix::shell::WindowRegistry windows(services.services(), services.printerChoice(),
                                          services.run());
    pellix::app::registerWindows(windows);

    pellix::shell::frmMain main(windows.context());
    main.MDIForm_Load();
    main.show();
    return app.exec();
}
