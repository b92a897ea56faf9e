#include "app/AppServices.h"
#include "app/ProgramLook.h"
#include "app/Screenshots.h"
#include "app/Windows.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/frmMain.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    pellix::app::applyProgramLook();
    pellix::app::AppServices services;
    pellix::shell::WindowRegistry windows(services.services(), services.printerChoice(),
                                          services.run());
    pellix::app::registerWindows(windows);

    pellix::shell::frmMain main(windows.context());
    main.MDIForm_Load();
    main.show();

    // Hidden option for scripts/screenshots: picture every window into a folder, then end.
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--screenshots"));
        at > 0 && at + 1 < args.size()) {
        QTextStream report(stdout);
        return pellix::app::saveScreenshots(main, windows, args[at + 1], report);
    }
    return app.exec();
}
