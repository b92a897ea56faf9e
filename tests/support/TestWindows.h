#pragma once

#include "shell/windowing/WindowRegistry.h"

#include <memory>

namespace pellix::test {

struct TestServices;

// A window registry over the given services and state with every window of the program added,
// exactly as the program adds them.
std::unique_ptr<shell::WindowRegistry> programWindows(
    platform::Services& services, printer::PrinterSetup::SavedPrinterChoice& choice,
    printing::RunControl& run);
// The same over a test's services and state.
std::unique_ptr<shell::WindowRegistry> programWindows(TestServices& services);

}  // namespace pellix::test
