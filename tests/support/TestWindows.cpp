#include "support/TestWindows.h"

#include "app/Windows.h"
#include "support/TestServices.h"

namespace pellix::test {

std::unique_ptr<shell::WindowRegistry> programWindows(TestServices& ts) {
    auto windows = std::make_unique<shell::WindowRegistry>(ts.services, ts.printerChoice, ts.run);
    app::registerWindows(*windows);
    return windows;
}

}  // namespace pellix::test
