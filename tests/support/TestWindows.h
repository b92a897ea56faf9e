#pragma once

#include "shell/windowing/WindowRegistry.h"

#include <memory>

namespace pellix::test {

struct TestServices;

// A window registry over the test services and their state with every window of the program
// added, exactly as the program adds them.
std::unique_ptr<shell::WindowRegistry> programWindows(TestServices& ts);

}  // namespace pellix::test
