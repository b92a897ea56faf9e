#include "app/AppServices.h"

#include "datasource/Form6.h"
#include "platform/QtPlatform.h"
#include "platform/QtPrinters.h"
#include "printer/Form3.h"
#include "printing/F_CustInput.h"
#include "printing/frmprinting.h"
#include "shell/Form8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace pellix::app {

struct AppServices::Impl {
    platform::QtMessageBoxes messages;
    platform::UnameOsVersion osVersion;
    platform::QtUrlOpener urls;
    platform::QtPrinterSystem printers;
    platform::QtPrintSetupDialog printSetup;
};

AppServices::AppServices() : impl_(std::make_unique<Impl>()) {
    services_.messages = &impl_->messages;
    services_.osVersion = &impl_->osVersion;
    services_.urls = &impl_->urls;
    services_.printers = &impl_->printers;
    services_.printSetup = &impl_->printSetup;
    services_.defaultsDir = findDefaultsDir();
}

AppServices::~AppServices() = default;

QString findDefaultsDir() {
    const QString env = qEnvironmentVariable("PELLIX_DATA_DIR");
    if (!env.isEmpty()) return env;
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/pellix/defaults");
    if (QFileInfo(installed + QStringLiteral("/pimraconfig2.txt")).exists())
        return QDir::cleanPath(installed);
    if (QFileInfo(QStringLiteral(PELLIX_INSTALL_DEFAULTS_DIR "/pimraconfig2.txt")).exists() &&
        !QFileInfo(QStringLiteral(PELLIX_BUILD_DEFAULTS_DIR "/pimraconfig2.txt")).exists())
        return QStringLiteral(PELLIX_INSTALL_DEFAULTS_DIR);
    return QStringLiteral(PELLIX_BUILD_DEFAULTS_DIR);
}

void registerWindows(shell::WindowRegistry& windows) {
    windows.add<shell::Form8>();
    windows.add<datasource::Form6>();
    windows.add<printer::Form3>();
    windows.add<printing::F_CustInput>();
    windows.add<printing::frmprinting>();
}

}  // namespace pellix::app
