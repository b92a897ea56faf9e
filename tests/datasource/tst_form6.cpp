// The record count window and the main menu's count button bracket.
#include "datasource/RecordCount.h"
#include "datasource/windows/Form6.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace pellix;
using namespace pellix::datasource;
using pellix::test::testData;

namespace {

QByteArray databaseFile(const QString& db, const QString& table, const QString& kensaku) {
    return test::settingsFile(settings::databaseHeader(), {db, table, kensaku});
}

}  // namespace

class tst_form6 : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void showsTheCount();
    void failureReportsAndLeavesNoWindow_data();
    void failureReportsAndLeavesNoWindow();
    void openWindowKeepsItsCount();
    void mainMenuButton_data();
    void mainMenuButton();

  private:
    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<shell::WindowRegistry> windows_;
};

void tst_form6::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    services_ = std::make_unique<test::TestServices>();
    windows_ = test::programWindows(*services_);
}

void tst_form6::cleanup() {
    windows_.reset();
    services_.reset();
    home_.reset();
}

void tst_form6::showsTheCount() {
    home_->writeFile(
        settings::kDatabaseFile,
        databaseFile(testData("rows120.xls"), "sheet1", "select バーコード,品名,名称,価格 from "));
    QVERIFY(showRecordCount(*windows_));
    auto* w = windows_->find<Form6>();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(!windows_->find<shell::Form8>());
    QVERIFY(services_->messages.shown.isEmpty());

    QCOMPARE(w->windowTitle(), QStringLiteral("データ件数確認"));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(192, 255, 192));
    QCOMPARE(w->findChild<QLabel*>("Label1")->text(), QStringLiteral("120"));
    QVERIFY(w->findChild<QLabel*>("Label1")->alignment() & Qt::AlignRight);
    QCOMPARE(w->findChild<QLabel*>("Label5")->text(), QStringLiteral("件"));
    QCOMPARE(w->findChild<QLabel*>("Labeldb")->text(), testData("rows120.xls"));
    QCOMPARE(w->findChild<QLabel*>("Labeltb")->text(), QStringLiteral("sheet1"));
    QCOMPARE(w->findChild<QLabel*>("Labelsql")->text(),
             QStringLiteral("select バーコード,品名,名称,価格 from "));
    for (QLabel* l : w->findChildren<QLabel*>())
        QCOMPARE(l->palette().color(QPalette::Window), QColor(192, 255, 192));

    QPushButton* close = w->findChild<QPushButton*>("Command1");
    QCOMPARE(close->text(), QStringLiteral("閉じる"));
    QTest::mouseClick(close, Qt::LeftButton);
    QTRY_VERIFY(!windows_->find<Form6>());
}

void tst_form6::failureReportsAndLeavesNoWindow_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("workbook missing")
        << databaseFile(testData("gone.xls"), "sheet1", "select * from ");
    QTest::newRow("no rows") << databaseFile(testData("header-only.xls"), "sheet1",
                                             "select * from ");
    QTest::newRow("unknown sheet")
        << databaseFile(testData("sample.xls"), "sheet9", "select * from ");
    QTest::newRow("settings header only") << test::settingsFile(settings::databaseHeader());
    QTest::newRow("settings missing") << QByteArray();
}

void tst_form6::failureReportsAndLeavesNoWindow() {
    QFETCH(QByteArray, file);
    if (!file.isEmpty()) home_->writeFile(settings::kDatabaseFile, file);
    bool waitUpWhileBoxShown = false;
    services_->messages.whileShown = [&](const test::ShownMessage&) {
        waitUpWhileBoxShown = windows_->find<shell::Form8>() != nullptr;
    };
    QVERIFY(!showRecordCount(*windows_));
    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown.first();
    QCOMPARE(box.prompt,
             QStringLiteral(
                 "DBの設定が不正です。設定し直して下さい[設定]-[ﾃﾞｰﾀﾍﾞｰｽ]より設定できます。"));
    QCOMPARE(box.title, QStringLiteral("ERROR"));
    QCOMPARE(box.icon, platform::MessageBoxes::Icon::Exclamation);
    QVERIFY(waitUpWhileBoxShown);  // the box comes first, then the wait window closes
    QVERIFY(!windows_->find<Form6>());
    QVERIFY(!windows_->find<shell::Form8>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
}

void tst_form6::openWindowKeepsItsCount() {
    home_->writeFile(settings::kDatabaseFile,
                     databaseFile(testData("rows120.xls"), "sheet1", "select * from "));
    QVERIFY(showRecordCount(*windows_));
    Form6* first = windows_->find<Form6>();
    home_->writeFile(settings::kDatabaseFile,
                     databaseFile(testData("rows301.xls"), "sheet1", "select * from "));
    QVERIFY(showRecordCount(*windows_));
    QCOMPARE(windows_->find<Form6>(), first);
    QCOMPARE(first->Label1->text(), QStringLiteral("120"));
    QVERIFY(!windows_->find<shell::Form8>());
    first->Unload();
    QVERIFY(showRecordCount(*windows_));
    QCOMPARE(windows_->find<Form6>()->Label1->text(), QStringLiteral("301"));
}

void tst_form6::mainMenuButton_data() {
    QTest::addColumn<QString>("workbook");
    QTest::addColumn<QString>("label12");
    QTest::newRow("sample workbook") << testData("sample.xls") << QString();
    QTest::newRow("workbook missing")
        << testData("gone.xls") << QStringLiteral("DBの設定が不正です。設定し直して下さい");
}

void tst_form6::mainMenuButton() {
    // "Excel接続　==>　件数表示" of the main menu screen opens the record count window.
    QFETCH(QString, workbook);
    QFETCH(QString, label12);
    home_->installDefaults();
    auto* menu = windows_->load<shell::Form1>();
    QVERIFY(menu);
    home_->writeFile(settings::kDatabaseFile, databaseFile(workbook, "sheet1", "select * from "));
    const QString before = menu->Label12->text();
    menu->Command3_Click();
    QVERIFY(!windows_->find<shell::Form8>());
    if (label12.isNull()) {
        QCOMPARE(menu->Label12->text(), before);
        QVERIFY(windows_->find<Form6>());
        QCOMPARE(windows_->find<Form6>()->Label1->text(), QStringLiteral("20"));
        QVERIFY(services_->messages.shown.isEmpty());
    } else {
        QCOMPARE(menu->Label12->text(), label12);
        QVERIFY(!windows_->find<Form6>());
        QCOMPARE(services_->messages.shown.size(), 1);
        QCOMPARE(services_->messages.shown[0].title, QStringLiteral("ERROR"));
    }
}

QTEST_MAIN(tst_form6)
#include "tst_form6.moc"
