// The printer settings dialog: the paper list of the application printer, choosing a paper and
// saving it with the other output settings, the printer button, and files it cannot read or
// write.
#include "platform/PrintSetupDialog.h"
#include "platform/qt/QtPrinters.h"
#include "printer/windows/Form7.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace pellix;
using Icon = platform::MessageBoxes::Icon;
using platform::PrinterProperty;

namespace {

// Page sizes in twips by paper code.
using PageSizes = QHash<int, QSizeF>;

QByteArray outputFile(const QStringList& values) {
    return *settings::encodeRecord(settings::outputHeader()) + *settings::encodeRecord(values);
}

const QStringList kStored{QStringLiteral("ペリックス商店"), QStringLiteral("税込価格"),
                          QStringLiteral("11"), QStringLiteral("0")};

// A printer that accepts the codes, with page sizes in twips where the test names them.
test::FakePrinter printerWith(const QList<int>& codes, const PageSizes& twips = {}) {
    test::FakePrinter p{QStringLiteral("LP-100")};
    p.paperCodes = codes;
    p.pageTwips = twips;
    p.defaults[PrinterProperty::PaperSize] = codes.isEmpty() ? 9 : codes.first();
    return p;
}

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

}  // namespace

class tst_form7 : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void paperList_data();
    void paperList();
    void choosingALineSavesItsCode();
    void paperListKeepsThePrinterPaper_data();
    void paperListKeepsThePrinterPaper();
    void noPrinterGivesEmptyList();
    void builtInPdfPrinter();
    void confirmWithoutChoice_data();
    void confirmWithoutChoice();
    void printerButtonChangesNothing_data();
    void printerButtonChangesNothing();
    void unreadableFileLeavesDialogUnopened_data();
    void unreadableFileLeavesDialogUnopened();
    void failedSaveKeepsDialogOpen();

  private:
    printer::Form7* open(const QList<test::FakePrinter>& printers);

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<platform::QtPrinterSystem> qtPrinters;  // when the test uses the real ones
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_form7::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->writeFile(settings::kOutputFile, outputFile(kStored));
}

void tst_form7::cleanup() {
    registry.reset();
    ts.reset();
    qtPrinters.reset();
    home.reset();
}

printer::Form7* tst_form7::open(const QList<test::FakePrinter>& printers) {
    registry.reset();
    ts = std::make_unique<test::TestServices>(printers);
    registry = test::programWindows(*ts);
    return registry->show<printer::Form7>();
}

void tst_form7::paperList_data() {
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<PageSizes>("twips");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("codes 1, 9 and 11 in ascending order")
        << QList<int>{11, 1, 9} << PageSizes{{9, QSizeF(11906, 16838)}}
        << QStringList{QStringLiteral("1\t216 x 279"), QStringLiteral("9\t210 x 297"),
                       QStringLiteral("11\t148 x 210")};
    // 2409.75 / 56.7 = 42.5, 2126.25 / 56.7 = 37.5, 2693.25 / 56.7 = 47.5, 1615.95 / 56.7 = 28.5.
    QTest::newRow("halves round to the even neighbour")
        << QList<int>{1, 9}
        << PageSizes{{1, QSizeF(2693.25, 1615.95)}, {9, QSizeF(2409.75, 2126.25)}}
        << QStringList{QStringLiteral("1\t48 x 28"), QStringLiteral("9\t42 x 38")};
    QTest::newRow("only codes 1 to 1024")
        << QList<int>{0, 9, 1024, 1025, 2000}
        << PageSizes{{0, QSizeF(1000, 1000)},
                     {1024, QSizeF(1134, 567)},
                     {1025, QSizeF(1000, 1000)},
                     {2000, QSizeF(1000, 1000)}}
        << QStringList{QStringLiteral("9\t210 x 297"), QStringLiteral("1024\t20 x 10")};
    // Code 300 names no page, so the printer cannot say how large it is.
    QTest::newRow("a code without a size gets no line")
        << QList<int>{9, 300} << PageSizes{} << QStringList{QStringLiteral("9\t210 x 297")};
    QTest::newRow("user-defined size is the page the printer has")
        << QList<int>{11, 256} << PageSizes{}
        << QStringList{QStringLiteral("11\t148 x 210"), QStringLiteral("256\t148 x 210")};
}

void tst_form7::paperList() {
    QFETCH(QList<int>, codes);
    QFETCH(PageSizes, twips);
    QFETCH(QStringList, expected);
    printer::Form7* w = open({printerWith(codes, twips)});
    QVERIFY(w);
    QCOMPARE(lines(w->List2), expected);
    QVERIFY(ts->messages.shown.isEmpty());
    QCOMPARE(w->Text5->text(), QStringLiteral("11"));
}

void tst_form7::choosingALineSavesItsCode() {
    printer::Form7* w = open({printerWith({1, 9, 11})});
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("プリンター設定"));
    QCOMPARE(w->Command3->text(), QStringLiteral("用紙設定"));
    QCOMPARE(w->List2->count(), 3);
    QVERIFY(!w->Text5->isVisible());

    const QRect second = w->List2->visualItemRect(w->List2->item(1));
    QTest::mouseClick(w->List2->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(w->Text5->text(), QStringLiteral("9"));
    QTest::mouseClick(w->Command3, Qt::LeftButton);

    QCOMPARE(home->readFile(settings::kOutputFile),
             outputFile({kStored[0], kStored[1], QStringLiteral("9"), kStored[3]}));
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].prompt, QStringLiteral("設定が変更されました｡"));
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定変更"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Information);
    QVERIFY(!registry->find<printer::Form7>());
}

void tst_form7::paperListKeepsThePrinterPaper_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QSizeF>("userDefinedMm");
    QTest::newRow("A5 among higher codes") << 11 << QSizeF();
    QTest::newRow("user-defined 100 x 150 mm") << 256 << QSizeF(100, 150);
}

void tst_form7::paperListKeepsThePrinterPaper() {
    QFETCH(int, code);
    QFETCH(QSizeF, userDefinedMm);
    test::FakePrinter p = printerWith({1, 9, 11, 256, 300, 1024}, {{1024, QSizeF(1134, 567)}});
    registry.reset();
    ts = std::make_unique<test::TestServices>(QList<test::FakePrinter>{p});
    registry = test::programWindows(*ts);
    QVERIFY(ts->printers.set(PrinterProperty::PaperSize, code));
    if (userDefinedMm.isValid()) {
        QVERIFY(ts->printers.setWidth(userDefinedMm.width() * 1440 / 25.4));
        QVERIFY(ts->printers.setHeight(userDefinedMm.height() * 1440 / 25.4));
    }
    const auto width = ts->printers.width();
    const auto height = ts->printers.height();

    printer::Form7* w = registry->show<printer::Form7>();
    QVERIFY(w);
    QCOMPARE(w->List2->count(), 5);
    QCOMPARE(ts->printers.get(PrinterProperty::PaperSize), std::optional<int>(code));
    QCOMPARE(ts->printers.width(), width);
    QCOMPARE(ts->printers.height(), height);
}

void tst_form7::noPrinterGivesEmptyList() {
    printer::Form7* w = open({});
    QVERIFY(w);
    QCOMPARE(w->List2->count(), 0);
    QVERIFY(ts->messages.shown.isEmpty());
    w->Command3_Click();
    QCOMPARE(home->readFile(settings::kOutputFile), outputFile(kStored));
}

void tst_form7::builtInPdfPrinter() {
    qtPrinters = std::make_unique<platform::QtPrinterSystem>();
    platform::QtPrinterSystem& printers = *qtPrinters;
    QVERIFY(printers.bind(int(printers.installedPrinters().indexOf(platform::kPdfPrinterName))));
    QVERIFY(printers.set(PrinterProperty::PaperSize, 11));
    ts = std::make_unique<test::TestServices>(printers);
    registry = test::programWindows(*ts);

    printer::Form7* w = registry->show<printer::Form7>();
    QVERIFY(w);
    const QStringList listed = lines(w->List2);
    QCOMPARE(listed.first(), QStringLiteral("1\t216 x 279"));
    QVERIFY(listed.contains(QStringLiteral("9\t210 x 297")));
    QCOMPARE(listed.last(), QStringLiteral("256\t148 x 210"));
    QCOMPARE(printers.get(PrinterProperty::PaperSize), std::optional<int>(11));
}

void tst_form7::confirmWithoutChoice_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("loaded paper written back") << kStored << kStored;
    QTest::newRow("empty texts become _")
        << QStringList{QString(), QString(), QString(), QStringLiteral("0")}
        << QStringList{QStringLiteral("_"), QStringLiteral("_"), QStringLiteral("_"),
                       QStringLiteral("0")};
    QTest::newRow("empty connection type stays empty")
        << QStringList{kStored[0], kStored[1], kStored[2], QString()}
        << QStringList{kStored[0], kStored[1], kStored[2], QString()};
}

void tst_form7::confirmWithoutChoice() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, written);
    home->writeFile(settings::kOutputFile, outputFile(stored));
    printer::Form7* w = open({printerWith({1, 9, 11})});
    QVERIFY(w);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(home->readFile(settings::kOutputFile), outputFile(written));
}

void tst_form7::printerButtonChangesNothing_data() {
    QTest::addColumn<bool>("confirm");
    QTest::newRow("cancelled") << false;
    QTest::newRow("confirmed with another printer") << true;
}

void tst_form7::printerButtonChangesNothing() {
    QFETCH(bool, confirm);
    test::FakePrinter other{QStringLiteral("LP-200")};
    other.paperCodes = {9};
    printer::Form7* w = open({printerWith({1, 9, 11}), other});
    QVERIFY(w);
    QVERIFY(ts->printers.set(PrinterProperty::PaperSize, 11));
    const QStringList listed = lines(w->List2);
    w->List2->setCurrentRow(0);
    ts->printSetup.expect(confirm ? test::ScriptedPrintSetupDialog::choose(QStringLiteral("LP-200"))
                                  : test::ScriptedPrintSetupDialog::cancel());

    QTest::mouseClick(w->Command2, Qt::LeftButton);

    QCOMPARE(ts->printSetup.shown.size(), 1);
    const platform::PRINTDLG& shown = ts->printSetup.shown[0];
    QCOMPARE(shown.Flags, std::uint32_t(1310796));
    QCOMPARE(shown.hwndOwner, static_cast<QWidget*>(w));
    QCOMPARE(shown.hDevNames->device(), QStringLiteral("LP-100"));
    QCOMPARE(shown.hDevMode->dmPaperSize, std::int16_t(11));
    QCOMPARE(ts->printers.deviceName(), std::optional<QString>(QStringLiteral("LP-100")));
    QCOMPARE(ts->printers.get(PrinterProperty::PaperSize), std::optional<int>(11));
    QCOMPARE(lines(w->List2), listed);
    QCOMPARE(w->Text5->text(), QStringLiteral("1"));
    QCOMPARE(w->Text1->text(), kStored[0]);
    QCOMPARE(home->readFile(settings::kOutputFile), outputFile(kStored));
    QCOMPARE(registry->find<printer::Form7>(), w);
}

void tst_form7::unreadableFileLeavesDialogUnopened_data() {
    QTest::addColumn<QByteArray>("bytes");  // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("header record only") << *settings::encodeRecord(settings::outputHeader());
    QTest::newRow("value record cut short")
        << *settings::encodeRecord(settings::outputHeader()) + QByteArray("\"a\",\"b\",\"9");
    QTest::newRow("a column missing")
        << *settings::encodeRecord({QStringLiteral("TITLE1"), QStringLiteral("TITLE2"),
                                    QStringLiteral("YOSHI"), QStringLiteral("PRINTR")}) +
               *settings::encodeRecord(kStored);
    QTest::newRow("not Shift-JIS") << outputFile(kStored) + QByteArray("\xff\xff\r\n");
}

void tst_form7::unreadableFileLeavesDialogUnopened() {
    QFETCH(QByteArray, bytes);
    QVERIFY(QFile::remove(settings::filePath(settings::kOutputFile)));
    if (!bytes.isEmpty()) home->writeFile(settings::kOutputFile, bytes);

    QVERIFY(!open({printerWith({1, 9, 11})}));
    QVERIFY(!registry->find<printer::Form7>());
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Exclamation);
    QVERIFY2(ts->messages.shown[0].prompt.contains(settings::filePath(settings::kOutputFile)),
             qPrintable(ts->messages.shown[0].prompt));
    QCOMPARE(home->readFile(settings::kOutputFile), bytes);
}

void tst_form7::failedSaveKeepsDialogOpen() {
    printer::Form7* w = open({printerWith({1, 9, 11})});
    QVERIFY(w);
    w->List2->setCurrentRow(2);
    QCOMPARE(w->Text5->text(), QStringLiteral("11"));
    w->List2->setCurrentRow(1);
    // The file's place is taken by a folder, so the save cannot replace it.
    QVERIFY(QFile::remove(settings::filePath(settings::kOutputFile)));
    QVERIFY(QDir().mkpath(settings::filePath(settings::kOutputFile)));

    QTest::mouseClick(w->Command3, Qt::LeftButton);

    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定変更エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Critical);
    QVERIFY(
        ts->messages.shown[0].prompt.startsWith(QStringLiteral("設定を保存できませんでした。")));
    QCOMPARE(registry->find<printer::Form7>(), w);
    QCOMPARE(w->List2->currentRow(), 1);
    QCOMPARE(w->Text5->text(), QStringLiteral("9"));
    QCOMPARE(w->Text1->text(), kStored[0]);
}

QTEST_MAIN(tst_form7)
#include "tst_form7.moc"
