#pragma once

// What the printer dialogs share when they load and save the output settings file.

#include "platform/Result.h"

namespace pellix::shell {
class Window;
}

namespace pellix::printer {

struct OutputSettings;

// Reads the output settings file for a dialog's load. When it cannot be read the dialog says so
// in a "設定エラー" box and unloads itself, since a save would overwrite the stored values with
// guesses; false then.
bool loadOutputSettings(shell::Window& dialog, OutputSettings& stored);

// Ends a dialog's save: a failed save keeps the dialog open with everything in it and says why in
// a "設定変更エラー" box (false); a save that worked closes the dialog and says so.
bool finishSave(shell::Window& dialog, const Result& saved);

}  // namespace pellix::printer
