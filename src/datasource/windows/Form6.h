#pragma once

#include "shell/windowing/Window.h"

class QLabel;
class QPushButton;

namespace pellix::shell {
class WindowRegistry;
}

namespace pellix::datasource {

// The record count window: shows the database settings and how many rows their query selects.
// All its work happens while it loads; a failure is reported in a box and the window closes
// itself (and the wait window) before it is ever shown.
class Form6 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form6(shell::AppContext& ctx);

    void Form_Load() override;
    void Command1_Click();

    QLabel* Label2 = nullptr;  // "接続中Excel(ﾌｧｲﾙﾊﾟｽ)"
    QLabel* Label3 = nullptr;  // "接続中シート名"
    QLabel* Label4 = nullptr;  // "SQL構文"
    QLabel* Labeldb = nullptr;
    QLabel* Labeltb = nullptr;
    QLabel* Labelsql = nullptr;
    QLabel* Label1 = nullptr;  // the count
    QLabel* Label5 = nullptr;  // "件"
    QPushButton* Command1 = nullptr;

  private:
    void fail();
};

// The main menu's "Excel接続　==>　件数表示": shows the record count window between the wait
// window's show and close. False when the window did not open (its load failed and reported it);
// no wait window remains either way.
bool showRecordCount(shell::WindowRegistry& windows);

}  // namespace pellix::datasource
