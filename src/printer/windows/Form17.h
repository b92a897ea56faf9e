#pragma once

#include "shell/windowing/Window.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pellix::printer {

// The printer connection type dialog: labels go either to the usual printer with the paper
// fixed in the printer settings dialog (standalone), or to a printer chosen in the print set-up
// dialog at every print run (the other type, with no fixed paper).
class Form17 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form17(shell::AppContext& ctx);

    void Form_Load() override;
    void Option1_Click(int index);
    void Command1_Click();

    QLabel* Label1 = nullptr;                // heading
    std::array<QRadioButton*, 2> Option1{};  // 0 standalone, 1 the other type
    QPushButton* Command1 = nullptr;         // "設定"
    QLabel* Label2 = nullptr;                // message line
    // The output settings as loaded, and the paper the other type stores; never seen.
    QLineEdit* Text1 = nullptr;  // TITLE1
    QLineEdit* Text2 = nullptr;  // TITLE2
    QLineEdit* Text3 = nullptr;  // YOSHI
    QLineEdit* Text5 = nullptr;  // PRINTER
    QLineEdit* Text4 = nullptr;  // empty for standalone, "999" for the other type
};

// The main menu's "プリンター/用紙設定": shows the connection type dialog between the wait window's
// show and close. False when the dialog did not open (its load failed and reported it); no wait
// window remains either way.
bool showConnectionType(shell::WindowRegistry& windows);

// The message line's text when the choice cannot be stored or the printer settings dialog
// cannot be opened.
inline const QString kConnectionTypeError = QStringLiteral("プリンター設定エラー1525");

}  // namespace pellix::printer
