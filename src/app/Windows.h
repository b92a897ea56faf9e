#pragma once

namespace pellix::shell {
class WindowRegistry;
}

namespace pellix::app {

// Makes every window of the program known to the registry, by type. The one place where
// windows are registered: the program and the tests both call it.
void registerWindows(shell::WindowRegistry& windows);

}  // namespace pellix::app
