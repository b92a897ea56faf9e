#pragma once

#include "shell/windowing/Window.h"

class QLabel;
class QPushButton;

namespace pellix::info {

// A separate window that introduces a page of the maker's web site: a line saying that the page
// needs the internet, the page's full address, and a button that opens it in the browser.
class WebPageWindow : public shell::Window {
    Q_OBJECT
  public:
    void Command1_Click();

    QLabel* Label1 = nullptr;         // the notice
    QLabel* Label2 = nullptr;         // the page's full address
    QPushButton* Command1 = nullptr;  // "画面を開く"

  protected:
    WebPageWindow(shell::AppContext& ctx, const QString& caption, const QString& notice,
                  const char* page, int clientHeightTwips);

  private:
    const char* page_;
};

}  // namespace pellix::info
