#pragma once

#include "info/windows/WebPageWindow.h"

namespace pellix::info {

// The online help window: introduces the online help page and opens it.
class Form9 : public WebPageWindow {
    Q_OBJECT
  public:
    explicit Form9(shell::AppContext& ctx);
};

}  // namespace pellix::info
