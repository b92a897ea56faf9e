#pragma once

#include <QString>
#include <QUrl>

namespace pellix::platform {
class UrlOpener;
}

namespace pellix::info {

// The maker of the program, as the windows name it.
inline const QString kMakerName = QStringLiteral("Pellix Labs");

// Pages of the maker's web site, by their path below the site's host.
inline constexpr const char* kLayoutOrderPage = "/pppmail2/form.html";
inline constexpr const char* kOnlineHelpPage = "/exc.htm";
inline constexpr const char* kOnlineSupportPage = "/qqq.htm";

// The full address of a page of the maker's web site.
QUrl pageAddress(const char* path);

// Opens a page of the maker's web site in the user's browser. Whether a browser took it is not
// asked: without a browser or a network nothing opens, nothing is reported, and the window that
// offered the page stays as it is.
void openPage(platform::UrlOpener& urls, const char* path);

}  // namespace pellix::info
