#include "info/WebPages.h"

#include "platform/UrlOpener.h"

namespace pellix::info {

QUrl pageAddress(const char* path) {
    return platform::makerPage(path);
}

void openPage(platform::UrlOpener& urls, const char* path) {
    static_cast<void>(urls.open(pageAddress(path)));
}

}  // namespace pellix::info
