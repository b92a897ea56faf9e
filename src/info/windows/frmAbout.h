#pragma once

#include "shell/windowing/Window.h"

class QFrame;
class QLabel;
class QPushButton;

namespace pellix::info {

// The version window: the program's name, version and purpose, notes on printers and layouts,
// the maker, and a button that opens the layout order form page.
class frmAbout : public shell::Window {
    Q_OBJECT
  public:
    explicit frmAbout(shell::AppContext& ctx);

    void cmdOK_Click();
    void Command1_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1 = nullptr;  // the two decorative lines
    QFrame* Line2 = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QLabel* Label1 = nullptr;  // the maker
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;

  protected:
    // "OK" is the default and the cancel button: Enter and Escape press it.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace pellix::info
