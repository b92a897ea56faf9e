// The printer connection type dialog: the stored type selected on load, the printer choice
// saved, storing each type (standalone goes on to the printer settings dialog through the wait
// window), failures, and the main menu button that opens it.
#include "printer/PrinterSetup.h"
#include "printer/windows/Form17.h"
#include "printer/windows/Form7.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace pellix;
using Icon = platform::MessageBoxes::Icon;
using platform::PrinterProperty;

namespace {

QByteArray outputFile(const QStringList& values) {
    return *settings::encodeRecord(settings::outputHeader()) + *settings::encodeRecord(values);
}

}  // namespace

class tst_form17 : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void loadSelectsStoredType_data();
    void loadSelectsStoredType();
    void loadSavesPrinterChoice();
    void store_data();
    void store();
    void waitWindowWhilePaperListIsBuilt();
    void failedStoreKeepsDialogOpen();
    void unreadableFileLeavesDialogUnopened();
    void mainMenuButtonOpensDialog();
    void mainMenuButtonReportsUnreadableFile();

  private:
    printer::Form17* open(const QStringList& stored);

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_form17::init() {
    home = std::make_unique<test::TempConfigHome>();
    ts = std::make_unique<test::TestServices>();
    registry = test::programWindows(*ts);
}

void tst_form17::cleanup() {
    registry.reset();
    ts.reset();
    home.reset();
}

printer::Form17* tst_form17::open(const QStringList& stored) {
    home->writeFile(settings::kOutputFile, outputFile(stored));
    return registry->show<printer::Form17>();
}

void tst_form17::loadSelectsStoredType_data() {
    QTest::addColumn<QString>("printer");
    QTest::addColumn<int>("selected");
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("2 is the other type too") << QStringLiteral("2") << 1;
    QTest::newRow("0.0 is standalone") << QStringLiteral("0.0") << 0;
    QTest::newRow("text that is no number reads as 0") << QStringLiteral("abc") << 0;
}

void tst_form17::loadSelectsStoredType() {
    QFETCH(QString, printer);
    QFETCH(int, selected);
    printer::Form17* w =
        open({QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("11"), printer});
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("ﾌﾟﾘﾝﾀｰ接続タイプ設定"));
    QCOMPARE(w->Option1[0]->isChecked(), selected == 0);
    QCOMPARE(w->Option1[1]->isChecked(), selected == 1);
    QCOMPARE(w->Text4->text(), selected == 1 ? QStringLiteral("999") : QString());
    QCOMPARE(w->Text1->text(), QStringLiteral("T1"));
    QCOMPARE(w->Text2->text(), QStringLiteral("T2"));
    QCOMPARE(w->Text3->text(), QStringLiteral("11"));
    QCOMPARE(w->Text5->text(), printer);
    QVERIFY(w->Label2->text().isEmpty());
    QVERIFY(ts->messages.shown.isEmpty());
}

void tst_form17::loadSavesPrinterChoice() {
    QVERIFY(ts->printers.set(PrinterProperty::PaperSize, 11));
    QVERIFY(ts->printers.set(PrinterProperty::Orientation, 2));
    QVERIFY(ts->printers.set(PrinterProperty::PaperBin, 4));
    QVERIFY(open(
        {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("999"), QStringLiteral("1")}));
    QCOMPARE(ts->printerChoice,
             (printer::PrinterSetup::SavedPrinterChoice{QStringLiteral("LP-100"), 11, 2, 4}));
}

void tst_form17::store_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<int>("clicked");  // -1: the stored type as it is
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<bool>("paperDialog");

    QTest::newRow("other type at once") << QStringList{"T1", "T2", "999", "1"} << -1
                                        << QStringList{"T1", "T2", "999", "1"} << false;
    QTest::newRow("standalone at once, titles carried as loaded")
        << QStringList{"", "T2", "11", "0"} << -1 << QStringList{"", "T2", "11", "0"} << true;
    QTest::newRow("standalone to other")
        << QStringList{"T1", "T2", "11", "0"} << 1 << QStringList{"T1", "T2", "999", "1"} << false;
    QTest::newRow("other to standalone keeps 999 until a paper is chosen")
        << QStringList{"T1", "T2", "999", "2"} << 0 << QStringList{"T1", "T2", "999", "0"} << true;
}

void tst_form17::store() {
    QFETCH(QStringList, stored);
    QFETCH(int, clicked);
    QFETCH(QStringList, written);
    QFETCH(bool, paperDialog);
    printer::Form17* w = open(stored);
    QVERIFY(w);
    if (clicked >= 0) QTest::mouseClick(w->Option1[clicked], Qt::LeftButton);

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(home->readFile(settings::kOutputFile), outputFile(written));
    QVERIFY(!registry->find<printer::Form17>());
    QVERIFY(!registry->find<shell::Form8>());
    QVERIFY(ts->messages.shown.isEmpty());
    printer::Form7* paper = registry->find<printer::Form7>();
    QCOMPARE(paper != nullptr, paperDialog);
    if (paper) {
        QVERIFY(paper->isVisible());
        QCOMPARE(paper->Text5->text(), written[2]);
        QCOMPARE(paper->Text4->text(), QStringLiteral("0"));
    }
}

void tst_form17::waitWindowWhilePaperListIsBuilt() {
    bool waitShown = false;
    ts->printers.whileListingPapers = [&] {
        waitShown = registry->find<shell::Form8>() && registry->find<shell::Form8>()->isVisible();
    };
    printer::Form17* w = open({"T1", "T2", "9", "0"});
    QVERIFY(w);
    w->Command1_Click();
    QVERIFY(waitShown);
    QVERIFY(registry->find<printer::Form7>());
    QVERIFY(!registry->find<shell::Form8>());
}

void tst_form17::failedStoreKeepsDialogOpen() {
    printer::Form17* w = open({"T1", "T2", "9", "0"});
    QVERIFY(w);
    // The file's place is taken by a folder, so the store cannot replace it.
    QVERIFY(QFile::remove(settings::filePath(settings::kOutputFile)));
    QVERIFY(QDir().mkpath(settings::filePath(settings::kOutputFile)));
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(w->Label2->text(), QStringLiteral("プリンター設定エラー1525"));
    QCOMPARE(registry->find<printer::Form17>(), w);
    QVERIFY(w->Option1[0]->isChecked());
    QVERIFY(!registry->find<printer::Form7>());
    QVERIFY(!registry->find<shell::Form8>());
}

void tst_form17::unreadableFileLeavesDialogUnopened() {
    home->writeFile(settings::kOutputFile, *settings::encodeRecord(settings::outputHeader()));
    QVERIFY(!registry->show<printer::Form17>());
    QVERIFY(!registry->find<printer::Form17>());
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Exclamation);
    QVERIFY(ts->messages.shown[0].prompt.contains(settings::filePath(settings::kOutputFile)));
    QCOMPARE(ts->printerChoice, printer::PrinterSetup::SavedPrinterChoice{});
}

void tst_form17::mainMenuButtonOpensDialog() {
    home->installDefaults();
    shell::Form1* menu = registry->show<shell::Form1>();
    QVERIFY(menu);
    QVERIFY(menu->Command4->isEnabled());
    QCOMPARE(menu->Command4->text(), QStringLiteral("プリンター/用紙設定"));
    QTest::mouseClick(menu->Command4, Qt::LeftButton);
    printer::Form17* w = registry->find<printer::Form17>();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(!registry->find<shell::Form8>());
    QVERIFY(menu->Label12->text().isEmpty());
}

void tst_form17::mainMenuButtonReportsUnreadableFile() {
    home->installDefaults();
    shell::Form1* menu = registry->show<shell::Form1>();
    QVERIFY(menu);
    QVERIFY(QFile::remove(settings::filePath(settings::kOutputFile)));
    bool waitShownWithMessage = false;
    ts->messages.whileShown = [&](const test::ShownMessage&) {
        waitShownWithMessage = registry->find<shell::Form8>() != nullptr;
    };
    QTest::mouseClick(menu->Command4, Qt::LeftButton);

    QCOMPARE(ts->messages.shown.size(), 1);
    QVERIFY(ts->messages.shown[0].prompt.contains(settings::kOutputFile));
    QVERIFY(waitShownWithMessage);
    QCOMPARE(menu->Label12->text(), QStringLiteral("プリンターエラー"));
    QVERIFY(!registry->find<printer::Form17>());
    QVERIFY(!registry->find<shell::Form8>());
}

QTEST_MAIN(tst_form17)
#include "tst_form17.moc"
