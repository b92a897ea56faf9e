#pragma once

#include "info/windows/WebPageWindow.h"

namespace pellix::info {

// The online support window: introduces the online support page and opens it.
class Form10 : public WebPageWindow {
    Q_OBJECT
  public:
    explicit Form10(shell::AppContext& ctx);
};

}  // namespace pellix::info
