#include "app/AppServices.h"
#include "app/ProgramLook.h"
#include "app/Screenshots.h"
#include "app/StartupProbe.h"
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

    const QStringList args = app.arguments();
    // Hidden option for the start-up benchmark: end as soon as the main menu screen has been
    // painted on the screen.
    if (args.contains(QStringLiteral("--quit-when-painted"))) {
        for (QWidget* w : main.findChildren<QWidget*>(QStringLiteral("Form1")))
            w->installEventFilter(new pellix::app::QuitWhenPainted(&app));
    }
    // Hidden option for scripts/screenshots: picture every window into a folder, then end.
    if (const qsizetype at = args.indexOf(QStringLiteral("--screenshots"));
        at > 0 && at + 1 < args.size()) {
        QTextStream report(stdout);
        return pellix::app::saveScreenshots(main, windows, args[at + 1], report);
    }
    return app.exec();
}
