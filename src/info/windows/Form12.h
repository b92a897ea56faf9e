#pragma once

#include "shell/windowing/Window.h"

class QLabel;
class QPushButton;

namespace pellix::info {

// The Excel sample window: a picture of a worksheet laid out the way the record source reads it.
class Form12 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form12(shell::AppContext& ctx);

    void Form_Load() override;
    void Command1_Click();

    QLabel* Label1 = nullptr;    // heading
    QLabel* Picture1 = nullptr;  // the example worksheet
    QPushButton* Command1 = nullptr;
};

}  // namespace pellix::info
