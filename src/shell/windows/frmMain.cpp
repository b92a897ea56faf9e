#include "shell/windows/frmMain.h"

#include "datasource/windows/setOracle.h"
#include "info/windows/Form10.h"
#include "info/windows/Form9.h"
#include "info/windows/frmAbout.h"
#include "platform/Regional.h"
#include "printer/windows/Form13.h"
#include "printer/windows/Form3.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/F_CustInput2.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <functional>

namespace pellix::shell {

StatusBarPanels::StatusBarPanels(QMainWindow* window) : QObject(window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    text = new QLabel(QStringLiteral("ｽﾃｰﾀｽ"));
    date = new QLabel;
    time = new QLabel;
    for (QLabel* l : {text, date, time}) {
        l->setTextFormat(Qt::PlainText);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    bar->addWidget(text, 1);
    bar->addPermanentWidget(date);
    bar->addPermanentWidget(time);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &StatusBarPanels::refresh);
    timer_->start(1000);
    refresh();
}

void StatusBarPanels::refresh() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = platform::regionalLocale();
    date->setText(locale.toString(now.date(), QLocale::ShortFormat));
    time->setText(locale.toString(now.time(), QStringLiteral("H:mm")));
}

frmMain::frmMain(AppContext& ctx) : ctx_(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kMainCaption);
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    mdi_->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(mdi_);
    ctx_.windows.setMdiArea(mdi_);
    buildMenus();
    sbStatusBar = new StatusBarPanels(this);

    // Client area 11880 x 7815 twips, centred on the screen.
    const QSize client(twips(11880), twips(7815));
    resize(client.width(),
           client.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
}

void frmMain::buildMenus() {
    auto menu = [this](const char* name, const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(QString::fromUtf8(name));
        return m;
    };
    // An item runs its command.
    auto item = [this](QMenu* m, const char* name, const QString& text,
                       std::function<void()> command) {
        QAction* a = m->addAction(text);
        a->setObjectName(QString::fromUtf8(name));
        connect(a, &QAction::triggered, this, std::move(command));
        return a;
    };

    QMenu* file = menu("mnuFile", QStringLiteral("ﾌｧｲﾙ(&F)"));
    item(file, "mnuFileExit", QStringLiteral("終了(&X)"), [this] { mnuFileExit_Click(); });

    QMenu* set = menu("set", QStringLiteral("設定(&S)"));
    item(set, "set1", QStringLiteral("出力形式(&A)"),
         [this] { ctx_.windows.show<printer::Form3>(); });
    item(set, "set2", QStringLiteral("データベース(&B)"),
         [this] { ctx_.windows.show<datasource::setOracle>(); });
    item(set, "印刷位置調整", QStringLiteral("印刷位置調整(&I)"),
         [this] { ctx_.windows.show<printer::Form13>(); });

    QMenu* print = menu("印刷", QStringLiteral("印刷(&P)"));
    item(print, "通常印刷", QStringLiteral("通常印刷"),
         [this] { ctx_.windows.show<printing::F_CustInput>(); });
    item(print, "部分印刷", QStringLiteral("部分印刷"),
         [this] { ctx_.windows.show<printing::F_CustInput2>(); });

    QMenu* view = menu("mnuView", QStringLiteral("表示(&V)"));
    // The item carries its check mark and choosing it changes nothing.
    QAction* toolbar = item(view, "mnuViewToolbar", QStringLiteral("ﾂｰﾙ ﾊﾞｰ(&T)"), [] {});
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    connect(toolbar, &QAction::toggled, toolbar, [toolbar] { toolbar->setChecked(true); });
    item(view, "main1", QStringLiteral("メインページ"), [this] { ctx_.windows.show<Form1>(); });

    QMenu* help = menu("mnuHelp", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    item(help, "オンラインヘルプ", QStringLiteral("ｵﾝﾗｲﾝﾍﾙﾌﾟ(&O)"),
         [this] { ctx_.windows.show<info::Form9>(); });
    item(help, "オンラインサポート", QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄ(&S)"),
         [this] { ctx_.windows.show<info::Form10>(); });
    item(help, "mnuHelpAbout", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"),
         [this] { ctx_.windows.show<info::frmAbout>(); });
}

void frmMain::mnuFileExit_Click() {
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing is never refused and nothing is asked or saved: the windows inside the main window
    // and the separate windows it owns close with it, so that no window outlives the program's
    // frame.
    mdi_->closeAllSubWindows();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isWindow()) w->close();
    event->accept();
}

void frmMain::MDIForm_Load() {
    ShowMainMenu();
}

void frmMain::ShowMainMenu() {
    auto* menu = new Form1(ctx_);
    menu->setObjectName(QStringLiteral("Form1"));
    menu->Form_Load();
    ctx_.windows.present(menu);
}

}  // namespace pellix::shell
