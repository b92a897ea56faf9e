// The main window's menu bar as the operator sees it, and what each entry and each button of the
// main menu screen opens: every entry is enabled, opens its window once and brings it to the
// front when chosen again.
#include "datasource/windows/Form6.h"
#include "datasource/windows/setOracle.h"
#include "info/windows/Form10.h"
#include "info/windows/Form12.h"
#include "info/windows/Form9.h"
#include "info/windows/frmAbout.h"
#include "printer/windows/Form13.h"
#include "printer/windows/Form3.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/Window.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "shell/windows/frmMain.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QtTest>
#include <memory>

using namespace pellix;

namespace {

// The window each entry or button opens, by the entry's name.
const QHash<QString, QString> kOpens = {
    {QStringLiteral("set1"), QStringLiteral("Form3")},
    {QStringLiteral("set2"), QStringLiteral("setOracle")},
    {QStringLiteral("印刷位置調整"), QStringLiteral("Form13")},
    {QStringLiteral("通常印刷"), QStringLiteral("F_CustInput")},
    {QStringLiteral("部分印刷"), QStringLiteral("F_CustInput2")},
    {QStringLiteral("main1"), QStringLiteral("Form1")},
    {QStringLiteral("オンラインヘルプ"), QStringLiteral("Form9")},
    {QStringLiteral("オンラインサポート"), QStringLiteral("Form10")},
    {QStringLiteral("mnuHelpAbout"), QStringLiteral("frmAbout")},
    {QStringLiteral("Command1"), QStringLiteral("F_CustInput")},
    {QStringLiteral("Command3"), QStringLiteral("Form6")},
    {QStringLiteral("Command4"), QStringLiteral("Form17")},
    {QStringLiteral("Command5"), QStringLiteral("F_CustInput2")},
};

// The running program over test services, with the default settings in place.
struct Program {
    Program() { home.installDefaults(); }
    void start() {
        main.MDIForm_Load();
        main.show();
    }
    shell::Form1* menuScreen() const {
        const auto subs = main.mdiArea()->subWindowList();
        return subs.isEmpty() ? nullptr : qobject_cast<shell::Form1*>(subs.first()->widget());
    }
    QAction* entry(const QString& name) const { return main.findChild<QAction*>(name); }

    test::TempConfigHome home;
    test::TestServices services;
    std::unique_ptr<shell::WindowRegistry> windows = test::programWindows(services);
    shell::frmMain main{windows->context()};
};

QList<QAction*> entriesOf(const QList<QAction*>& actions) {
    QList<QAction*> out;
    for (QAction* a : actions) {
        if (QMenu* sub = a->menu())
            out << entriesOf(sub->actions());
        else
            out << a;
    }
    return out;
}

QSet<shell::Window*> shownWindows() {
    QSet<shell::Window*> shown;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* window = qobject_cast<shell::Window*>(w); window && window->isVisible())
            shown << window;
    return shown;
}

QString className(const QObject* o) {
    return QString::fromLatin1(o->metaObject()->className()).section(QStringLiteral("::"), -1);
}

// Whether a shown window is the one in front: the active window inside the main window, or the
// active window of the program.
bool inFront(shell::Window* w, const shell::frmMain& main) {
    if (w->kind() == shell::Window::Kind::Child) {
        QMdiSubWindow* active = main.mdiArea()->activeSubWindow();
        return active && active->widget() == w && QApplication::activeWindow() == &main;
    }
    return QApplication::activeWindow() == w;
}

}  // namespace

class tst_menus : public QObject {
    Q_OBJECT
  private slots:
    void menuBar_data();
    void menuBar();
    void menuBarHasNothingElse();

    void menuEntry_data();
    void menuEntry();
    void entryAgainBringsToFront_data();
    void entryAgainBringsToFront();
    void toolbarEntryChangesNothing();
    void exitClosesEveryWindowWithoutAsking();

    void menuScreenButton_data();
    void menuScreenButton();

  private:
    // Runs the command and checks that exactly the expected window came up.
    void checkOpens(const QString& name, const std::function<void()>& command);
};

void tst_menus::menuBar_data() {
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("menuName");
    QTest::addColumn<QString>("menuCaption");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("itemName");
    QTest::addColumn<QString>("itemCaption");
    QTest::addColumn<QKeySequence>("accessKey");
    int menu = -1;
    int item = 0;
    QString menuName;
    QString menuCaption;
    const auto newMenu = [&](const char* name, const QString& caption) {
        ++menu;
        item = 0;
        menuName = QString::fromUtf8(name);
        menuCaption = caption;
    };
    const auto row = [&](const char* name, const QString& caption, const char* key) {
        QTest::addRow("%s", name) << menu << menuName << menuCaption << item++
                                  << QString::fromUtf8(name) << caption
                                  << QKeySequence(QString::fromLatin1(key));
    };
    newMenu("mnuFile", QStringLiteral("ﾌｧｲﾙ(&F)"));
    row("mnuFileExit", QStringLiteral("終了(&X)"), "Alt+X");
    newMenu("set", QStringLiteral("設定(&S)"));
    row("set1", QStringLiteral("出力形式(&A)"), "Alt+A");
    row("set2", QStringLiteral("データベース(&B)"), "Alt+B");
    row("印刷位置調整", QStringLiteral("印刷位置調整(&I)"), "Alt+I");
    newMenu("印刷", QStringLiteral("印刷(&P)"));
    row("通常印刷", QStringLiteral("通常印刷"), "");
    row("部分印刷", QStringLiteral("部分印刷"), "");
    newMenu("mnuView", QStringLiteral("表示(&V)"));
    row("mnuViewToolbar", QStringLiteral("ﾂｰﾙ ﾊﾞｰ(&T)"), "Alt+T");
    row("main1", QStringLiteral("メインページ"), "");
    newMenu("mnuHelp", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    row("オンラインヘルプ", QStringLiteral("ｵﾝﾗｲﾝﾍﾙﾌﾟ(&O)"), "Alt+O");
    row("オンラインサポート", QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄ(&S)"), "Alt+S");
    row("mnuHelpAbout", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"), "Alt+A");
}

void tst_menus::menuBar() {
    QFETCH(int, menu);
    QFETCH(QString, menuName);
    QFETCH(QString, menuCaption);
    QFETCH(int, item);
    QFETCH(QString, itemName);
    QFETCH(QString, itemCaption);
    QFETCH(QKeySequence, accessKey);
    Program program;
    const QList<QAction*> menus = program.main.menuBar()->actions();
    QVERIFY(menu < menus.size());
    QMenu* m = menus[menu]->menu();
    QVERIFY(m);
    QCOMPARE(m->objectName(), menuName);
    QCOMPARE(menus[menu]->text(), menuCaption);
    const QList<QAction*> items = m->actions();
    QVERIFY(item < items.size());
    QAction* a = items[item];
    QCOMPARE(a->objectName(), itemName);
    QCOMPARE(a->text(), itemCaption);
    QCOMPARE(QKeySequence::mnemonic(a->text()), accessKey);
    // No shortcut besides the access key, no separator, and only the tool bar entry is checked.
    QVERIFY(a->shortcut().isEmpty());
    QVERIFY(!a->isSeparator());
    const bool toolbar = itemName == QLatin1String("mnuViewToolbar");
    QCOMPARE(a->isCheckable(), toolbar);
    QCOMPARE(a->isChecked(), toolbar);
}

void tst_menus::menuBarHasNothingElse() {
    Program program;
    const QList<QAction*> menus = program.main.menuBar()->actions();
    QList<int> items;
    for (QAction* m : menus) items << (m->menu() ? int(m->menu()->actions().size()) : -1);
    QCOMPARE(items, (QList<int>{1, 3, 2, 2, 3}));
}

void tst_menus::checkOpens(const QString& name, const std::function<void()>& command) {
    QVERIFY2(
        kOpens.contains(name),
        qPrintable(QStringLiteral("%1 is enabled but opens no window of the program").arg(name)));
    const QSet<shell::Window*> before = shownWindows();
    command();
    const QSet<shell::Window*> opened = shownWindows() - before;
    QCOMPARE(opened.size(), 1);
    QCOMPARE(className(*opened.begin()), kOpens.value(name));
}

void tst_menus::menuEntry_data() {
    QTest::addColumn<QString>("name");
    Program program;
    const QList<QAction*> entries = entriesOf(program.main.menuBar()->actions());
    QCOMPARE(entries.size(), 11);
    for (QAction* a : entries)
        QTest::newRow(a->objectName().toUtf8().constData()) << a->objectName();
}

void tst_menus::menuEntry() {
    QFETCH(QString, name);
    Program program;
    program.start();
    QAction* entry = program.entry(name);
    QVERIFY(entry);
    QVERIFY2(entry->isEnabled(), "every window of the menus is part of the program");
    if (name == QLatin1String("mnuFileExit") || name == QLatin1String("mnuViewToolbar"))
        return;  // tests of their own below
    checkOpens(name, [entry] { entry->trigger(); });
    QVERIFY(program.services.messages.shown.isEmpty());
}

void tst_menus::entryAgainBringsToFront_data() {
    QTest::addColumn<QString>("name");
    for (auto it = kOpens.constBegin(); it != kOpens.constEnd(); ++it)
        if (!it.key().startsWith(QLatin1String("Command")))
            QTest::newRow(it.key().toUtf8().constData()) << it.key();
}

void tst_menus::entryAgainBringsToFront() {
    QFETCH(QString, name);
    Program program;
    program.start();
    QAction* entry = program.entry(name);
    entry->trigger();
    QPointer<shell::Window> first = nullptr;
    for (shell::Window* w : shownWindows())
        if (className(w) == kOpens.value(name) && w != program.menuScreen()) first = w;
    QVERIFY(first);
    // Something the user did in the window, which a new load would lose.
    first->setProperty("userTouched", true);

    // Other windows in front of it, inside the main window and of their own.
    for (const char* other : {"set1", "mnuHelpAbout", "オンラインヘルプ", "オンラインサポート"})
        if (QString::fromUtf8(other) != name) program.entry(QString::fromUtf8(other))->trigger();
    QTRY_VERIFY(!inFront(first, program.main));

    // The operator goes to the main window's menu bar, which makes it the active window.
    program.main.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &program.main);
    const QSet<shell::Window*> before = shownWindows();
    entry->trigger();
    QCOMPARE(shownWindows(), before);  // nothing new opened
    QVERIFY(first);
    QVERIFY(first->property("userTouched").toBool());
    QTRY_VERIFY(inFront(first, program.main));
    QVERIFY(program.services.messages.shown.isEmpty());
}

void tst_menus::toolbarEntryChangesNothing() {
    Program program;
    program.start();
    QAction* toolbar = program.entry(QStringLiteral("mnuViewToolbar"));
    QVERIFY(toolbar->isEnabled());
    const QSet<shell::Window*> before = shownWindows();
    for (int i = 0; i < 2; ++i) {
        toolbar->trigger();
        QVERIFY(toolbar->isChecked());
        QCOMPARE(shownWindows(), before);
    }
    QVERIFY(program.main.isVisible());
    QVERIFY(program.services.messages.shown.isEmpty());
}

void tst_menus::exitClosesEveryWindowWithoutAsking() {
    Program program;
    program.start();
    for (const char* name :
         {"set1", "main1", "mnuHelpAbout", "オンラインヘルプ", "オンラインサポート"})
        program.entry(QString::fromUtf8(name))->trigger();
    QVERIFY(program.windows->show<info::Form12>());
    QTest::mouseClick(program.menuScreen()->Command3, Qt::LeftButton);  // the record count
    // A change in the output layout dialog that is not saved.
    auto* layout = program.windows->find<printer::Form3>();
    QVERIFY(layout);
    const QByteArray saved = program.home.readFile(settings::kOutputFile);
    layout->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("未保存"));

    QList<QPointer<shell::Window>> open;
    for (shell::Window* w : shownWindows()) open << w;
    QCOMPARE(open.size(), 8);  // both main menu screens and six more

    program.entry(QStringLiteral("mnuFileExit"))->trigger();
    QVERIFY(!program.main.isVisible());
    for (const QPointer<shell::Window>& w : open) QVERIFY(!w || !w->isVisible());
    QTRY_VERIFY(std::all_of(open.begin(), open.end(), [](const auto& w) { return w.isNull(); }));
    QVERIFY(program.services.messages.shown.isEmpty());
    QCOMPARE(program.home.readFile(settings::kOutputFile), saved);
    QVERIFY(!program.windows->find<printer::Form3>());
    QVERIFY(!program.windows->find<info::Form9>());
}

void tst_menus::menuScreenButton_data() {
    QTest::addColumn<QString>("name");
    Program program;
    shell::Form1 screen(program.windows->context());
    const QList<QPushButton*> buttons = screen.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 4);
    for (QPushButton* b : buttons) QTest::newRow(qPrintable(b->objectName())) << b->objectName();
}

void tst_menus::menuScreenButton() {
    QFETCH(QString, name);
    Program program;
    program.start();
    shell::Form1* screen = program.menuScreen();
    QVERIFY(screen);
    QPushButton* button = screen->findChild<QPushButton*>(name);
    QVERIFY(button);
    if (!button->isEnabled()) {
        QVERIFY2(!kOpens.contains(name), "a button whose window exists is disabled");
        return;
    }
    checkOpens(name, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    QCOMPARE(screen->Label12->text(), QString());
    QVERIFY(program.services.messages.shown.isEmpty());
}

QTEST_MAIN(tst_menus)
#include "tst_menus.moc"
