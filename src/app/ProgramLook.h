#pragma once

namespace pellix::app {

// The program-wide look of the windows: the IPA faces behind the Japanese face names, IPA P
// Gothic for every text without a face of its own, and the program's icon on every window.
void applyProgramLook();

}  // namespace pellix::app
