#include "app/AppServices.h"
#include "app/Windows.h"
#include "platform/Fonts.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    pellix::platform::installFontSubstitutions();
    pellix::app::AppServices services;
    pellix::shell::WindowRegistry windows(services.services(), services.printerChoice(),
                                          services.run());
    pellix::app::registerWindows(windows);

    pellix::shell::frmMain main(windows.context());
    main.MDIForm_Load();
    main.show();
    return app.exec();
}
