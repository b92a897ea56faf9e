#pragma once

#include <QLocale>

namespace pellix::platform {

// The user's regional settings. Where none are set at all (the C/POSIX locale), Japanese
// conventions apply: the program's users are Japanese shops.
inline QLocale regionalLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return QLocale(QLocale::Japanese, QLocale::Japan);
    return system;
}

}  // namespace pellix::platform
