#pragma once

#include "shell/windowing/Window.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pellix::printer {

// The printer settings dialog: the paper sizes the application printer accepts, one of which
// the user picks as the paper of the labels, and a way to the print set-up dialog. It carries
// the other output settings through a save unchanged.
class Form7 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form7(shell::AppContext& ctx);

    void Form_Load() override;
    void List2_Click();
    void Command2_Click();
    void Command3_Click();

    QLabel* Label1 = nullptr;
    QPushButton* Command2 = nullptr;  // "プリンターの設定"
    QLabel* Label3 = nullptr;
    QListWidget* List2 = nullptr;     // the paper list; each line carries its code
    QPushButton* Command3 = nullptr;  // "用紙設定"
    QLabel* Label4 = nullptr;
    // The output settings, behind the list and the printer button.
    QLineEdit* Text1 = nullptr;  // TITLE1
    QLineEdit* Text2 = nullptr;  // TITLE2
    QLineEdit* Text5 = nullptr;  // YOSHI, the chosen paper code
    QLineEdit* Text4 = nullptr;  // PRINTER
};

}  // namespace pellix::printer
