#include "platform/QtPlatform.h"

#include <sys/utsname.h>
#include <QDesktopServices>

namespace pellix::platform {

OsVersionInfo UnameOsVersion::fromRelease(const char* release) {
    OsVersionInfo info;
    info.platformId = 2;
    std::uint32_t parts[3] = {0, 0, 0};
    const char* p = release;
    for (int i = 0; i < 3 && p && *p; ++i) {
        std::uint64_t v = 0;
        bool any = false;
        while (*p >= '0' && *p <= '9') {
            v = v * 10 + std::uint64_t(*p - '0');
            if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
            ++p;
            any = true;
        }
        if (!any) break;
        parts[i] = std::uint32_t(v);
        if (*p != '.') break;
        ++p;
    }
    info.majorVersion = parts[0];
    info.minorVersion = parts[1];
    info.buildNumber = parts[2];
    return info;
}

OsVersionInfo UnameOsVersion::query() const {
    struct utsname u {};
    if (uname(&u) != 0) return OsVersionInfo{0, 0, 0, 2};
    return fromRelease(u.release);
}

bool QtUrlOpener::open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace pellix::platform
