#pragma once

#include "shell/windowing/Window.h"
#include "shell/windowing/WindowRegistry.h"

class QLabel;

namespace pellix::shell {

// The wait window: shown and painted before a slow window loads, closed after it.
class Form8 : public Window {
    Q_OBJECT
  public:
    explicit Form8(AppContext& ctx);

    QLabel* Label1 = nullptr;
};

// Brackets a slow opening with the wait window: shows it on construction and returns once it is
// exposed and painted (or after a short wait when the window system does not expose it), and
// closes it on destruction, so that no wait window is left behind on any path.
class WaitBracket {
  public:
    explicit WaitBracket(WindowRegistry& windows);
    ~WaitBracket();
    WaitBracket(const WaitBracket&) = delete;
    WaitBracket& operator=(const WaitBracket&) = delete;

    // Closes the wait window now (also done on destruction).
    void close();

  private:
    WindowRegistry& windows_;
    bool open_ = false;
};

// Shows a window whose load is slow between the wait window's show and close: the window, or
// nullptr when its load failed (and reported it). No wait window remains either way.
template <class W>
W* showWaiting(WindowRegistry& windows) {
    WaitBracket wait(windows);
    return windows.show<W>();
}

}  // namespace pellix::shell
