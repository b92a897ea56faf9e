#include "support/TestWindows.h"

#include "app/Windows.h"

namespace pellix::test {

std::unique_ptr<shell::WindowRegistry> programWindows(platform::Services& services) {
    auto windows = std::make_unique<shell::WindowRegistry>(services);
    app::registerWindows(*windows);
    return windows;
}

}  // namespace pellix::test
