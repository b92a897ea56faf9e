#pragma once

#include <QMainWindow>

class QLabel;
class QMdiArea;
class QTimer;

namespace pellix::shell {

struct AppContext;

// The status bar of the main window: a text panel and date and time panels that keep
// themselves current.
class StatusBarPanels : public QObject {
    Q_OBJECT
  public:
    StatusBarPanels(QMainWindow* window);
    QLabel* text = nullptr;
    QLabel* date = nullptr;
    QLabel* time = nullptr;
    void refresh();

  private:
    QTimer* timer_ = nullptr;
};

// The main window: the frame of the whole program, holding the child windows, the menus and the
// status bar.
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(AppContext& ctx);

    void MDIForm_Load();
    // "終了(&X)": closes the main window with every window in it.
    void mnuFileExit_Click();
    // Opens a new main menu screen (not the shared one) inside the main window.
    void ShowMainMenu();

    QMdiArea* mdiArea() const { return mdi_; }
    StatusBarPanels* sbStatusBar = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    AppContext& ctx_;
    QMdiArea* mdi_ = nullptr;
};

// The main window's caption.
inline const QString kMainCaption = QStringLiteral("Pellix  Va2.0.6　ｵﾝﾗｲﾝｿﾌﾄ");

}  // namespace pellix::shell
