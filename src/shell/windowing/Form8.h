#pragma once

#include "shell/windowing/Window.h"

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

}  // namespace pellix::shell
