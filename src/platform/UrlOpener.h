#pragma once

#include <QUrl>

namespace pellix::platform {

// Opens web pages in the user's browser.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // Opens the address; the result says whether a browser accepted it.
    virtual bool open(const QUrl& url) = 0;
};

// The maker's web site; windows open pages by path below it.
inline constexpr const char* kMakerSite = "https://pellix.example.com";

inline QUrl makerPage(const char* path) {
    return QUrl(QString::fromLatin1(kMakerSite) + QLatin1String(path));
}

}  // namespace pellix::platform
