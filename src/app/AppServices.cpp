#include "app/AppServices.h"

#include "platform/QtPlatform.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtPrinters.h"

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
    platform::QtFileDialogs fileDialogs;
};

AppServices::AppServices()
    : impl_(std::make_unique<Impl>()),
      services_{
          .messages = impl_->messages,
          .osVersion = impl_->osVersion,
          .urls = impl_->urls,
          .printers = impl_->printers,
          .printSetup = impl_->printSetup,
          .fileDialogs = impl_->fileDialogs,
          .defaultsDir = findDefaultsDir(),
      } {}

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

}  // namespace pellix::app
