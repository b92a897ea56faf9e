// Every entry of the main window's menus and every button of the main menu screen is either
// disabled or does what it offers: it opens its window, or (the two entries that open none)
// closes the main window or keeps its check mark.
#include "datasource/windows/Form6.h"
#include "datasource/windows/setOracle.h"
#include "printer/windows/Form13.h"
#include "printer/windows/Form3.h"
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

// The window each enabled entry opens, by the entry's name. An entry whose window the program
// does not have must be disabled, and one listed here must not be.
const QHash<QString, const QMetaObject*> kOpens = {
    {QStringLiteral("set1"), &printer::Form3::staticMetaObject},
    {QStringLiteral("set2"), &datasource::setOracle::staticMetaObject},
    {QStringLiteral("印刷位置調整"), &printer::Form13::staticMetaObject},
    {QStringLiteral("main1"), &shell::Form1::staticMetaObject},
    {QStringLiteral("Command3"), &datasource::Form6::staticMetaObject},
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

}  // namespace

class tst_menus : public QObject {
    Q_OBJECT
  private slots:
    void menuEntry_data();
    void menuEntry();
    void menuScreenButton_data();
    void menuScreenButton();

  private:
    // Runs the command and checks that exactly the expected window came up.
    void checkOpens(const QString& name, const std::function<void()>& command);
};

void tst_menus::checkOpens(const QString& name, const std::function<void()>& command) {
    QVERIFY2(
        kOpens.contains(name),
        qPrintable(QStringLiteral("%1 is enabled but opens no window of the program").arg(name)));
    const QSet<shell::Window*> before = shownWindows();
    command();
    const QSet<shell::Window*> opened = shownWindows() - before;
    QCOMPARE(opened.size(), 1);
    QCOMPARE(QLatin1String((*opened.begin())->metaObject()->className()),
             QLatin1String(kOpens.value(name)->className()));
}

void tst_menus::menuEntry_data() {
    QTest::addColumn<QString>("name");
    Program program;
    const QList<QAction*> entries = entriesOf(program.main.menuBar()->actions());
    QCOMPARE(entries.size(), 11);
    for (QAction* a : entries) {
        QVERIFY(!a->objectName().isEmpty());
        QTest::newRow(a->objectName().toUtf8().constData()) << a->objectName();
    }
}

void tst_menus::menuEntry() {
    QFETCH(QString, name);
    Program program;
    program.start();
    QAction* entry = program.main.findChild<QAction*>(name);
    QVERIFY(entry);
    if (!entry->isEnabled()) {
        QVERIFY2(!kOpens.contains(name), "an entry whose window exists is disabled");
        return;
    }
    if (name == QLatin1String("mnuFileExit")) {
        entry->trigger();
        QVERIFY(!program.main.isVisible());
    } else if (name == QLatin1String("mnuViewToolbar")) {
        const QSet<shell::Window*> before = shownWindows();
        entry->trigger();
        QVERIFY(entry->isChecked());
        QCOMPARE(shownWindows(), before);
    } else {
        checkOpens(name, [entry] { entry->trigger(); });
    }
    QVERIFY(program.services.messages.shown.isEmpty());
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
