#pragma once

#include "platform/OsVersion.h"

#include <QString>

namespace pellix::shell {

// The version strings the windows show.
inline const QString kProductVersion = QStringLiteral("Va2.0.6");

// The operating-system version as the main menu shows it: platform 1 names the old consumer
// systems, platform 2 gives "major.minor (build)" with the build's low 16 bits, anything else
// gives the empty text.
QString versionText(const platform::OsVersionInfo& info);

}  // namespace pellix::shell
