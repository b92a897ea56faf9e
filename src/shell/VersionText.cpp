#include "shell/VersionText.h"

namespace pellix::shell {

QString versionText(const platform::OsVersionInfo& info) {
    switch (info.platformId) {
        case 1:
            return QStringLiteral("Windows 95 or Windows 98");
        case 2:
            return QStringLiteral("%1.%2 (%3)")
                .arg(info.majorVersion)
                .arg(info.minorVersion)
                .arg(info.buildNumber & 0xFFFFu);
        default:
            return QString();
    }
}

}  // namespace pellix::shell
