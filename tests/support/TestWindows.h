#pragma once

#include "shell/windowing/WindowRegistry.h"

#include <memory>

namespace pellix::platform {
struct Services;
}

namespace pellix::test {

// A window registry over the given services with every window of the program added, exactly as
// the program adds them.
std::unique_ptr<shell::WindowRegistry> programWindows(platform::Services& services);

}  // namespace pellix::test
