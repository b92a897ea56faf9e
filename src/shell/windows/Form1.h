#pragma once

#include "shell/windowing/Window.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pellix::shell {

// The main menu screen: shows the stored workbook path, sheet, layout marker and OS version, and
// offers the buttons of the daily work. Its load is the program's repair point for the settings
// folder.
class Form1 : public Window {
    Q_OBJECT
  public:
    explicit Form1(AppContext& ctx);

    void Form_Load() override;
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    QLabel* Label2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Command4 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command5 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;  // the maker's name
    QLineEdit* Textdb = nullptr;
    QLineEdit* Textuser = nullptr;
    QLineEdit* Texttb = nullptr;

    // How many times the settings recovery ran during the last load.
    int recoveries() const { return recoveries_; }

  private:
    void recover();
    // Shows a message in Label12.
    void showMessage(const QString& text);
    int recoveries_ = 0;
};

}  // namespace pellix::shell
