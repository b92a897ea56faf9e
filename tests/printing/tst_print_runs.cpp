// Whole print runs from the two print job forms, headless, over real workbooks: the labels that
// reach the printer, the count-down and the allowance, the printer choice per run, the bounds of
// the partial run, the cancel button, and what a failure or a closing form does to a run.
#include "printing/PrintRun.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/F_CustInput2.h"
#include "printing/windows/frmprinting.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

using namespace pellix;
using Icon = platform::MessageBoxes::Icon;
using printing::F_CustInput;
using printing::F_CustInput2;

namespace {

constexpr double kTwipsPerMm = 1440 / 25.4;

}  // namespace

class tst_print_runs : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void continuousRunPrintsEveryRow();
    void allowanceStopsTheRunAndIsKept();
    void cancelDuringTenthLabel();
    void printerChoiceCancelledChangesNothing();
    void chosenCustomPageForEveryLabel();
    void partialRange_data();
    void partialRange();
    void partialRangeBeyondThreeHundredWalkedRows();
    void badBound_data();
    void badBound();
    void previewBarcode();
    void partialStartsAtSelectedRow();
    void textPriceStopsAtItsRow();
    void loadFailuresOfBothForms();
    void startButtonInertDuringRun();
    void closingFormStopsRunAfterLabel();

  private:
    void useWorkbook(const QString& file, const QString& sheet = QStringLiteral("Sheet1"));
    void useConnection(const QString& printer);
    // The barcode value of every label handed to the printer, in order.
    void recordValues();
    QStringList messages() const;

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
    QStringList values;
};

void tst_print_runs::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    ts = std::make_unique<test::TestServices>();
    QVERIFY(ts->printers.bind(0));
    registry = test::programWindows(*ts);
    values.clear();
}

void tst_print_runs::cleanup() {
    registry.reset();
    ts.reset();
    home.reset();
}

void tst_print_runs::useWorkbook(const QString& file, const QString& sheet) {
    home->writeFile(
        settings::kDatabaseFile,
        test::settingsFile(settings::databaseHeader(),
                           {test::testData(file), sheet, QStringLiteral("select * from ")}));
}

void tst_print_runs::useConnection(const QString& printer) {
    home->writeFile(settings::kOutputFile,
                    test::settingsFile(settings::outputHeader(),
                                       {QStringLiteral("ペリックス商店"),
                                        QStringLiteral("税込価格"), QStringLiteral("9"), printer}));
}

void tst_print_runs::recordValues() {
    // The label data stands in the continuous form's fields while its label prints.
    ts->printers.whenFinished = [this] { values << registry->find<F_CustInput>()->Text1->text(); };
}

QStringList tst_print_runs::messages() const {
    QStringList list;
    for (const test::ShownMessage& m : ts->messages.shown) list << m.title + QStringLiteral(": ") + m.prompt;
    return list;
}

void tst_print_runs::continuousRunPrintsEveryRow() {
    useWorkbook(QStringLiteral("sample.xls"));
    recordValues();
    QPointer<F_CustInput> form = registry->show<F_CustInput>();
    QVERIFY(form);
    QCOMPARE(form->Adodc1->rowCount(), 20);
    form->Command3->click();

    QCOMPARE(values.size(), 20);
    QCOMPARE(values.first(), QStringLiteral("4900012345600"));
    QCOMPARE(values.last(), QStringLiteral("4900012346935"));
    QCOMPARE(ts->printers.discarded, 0);
    QCOMPARE(messages(), QStringList{u"処理終了: 印刷終了。ﾃﾞｰﾀﾍﾞｰｽと接続解除しました。"_qs});
    QCOMPARE(ts->messages.shown.first().icon, Icon::Information);
    // The form closes after the end message; the preview's barcode parameters were the print
    // values until then.
    QTRY_VERIFY(!form);
    QVERIFY(!registry->find<F_CustInput>());
}

void tst_print_runs::allowanceStopsTheRunAndIsKept() {
    useWorkbook(QStringLiteral("rows301.xls"));
    ts->printers.keepPages = false;
    recordValues();
    F_CustInput* form = registry->show<F_CustInput>();
    form->Command3->click();

    QCOMPARE(ts->printers.printed.size(), 300);
    QCOMPARE(form->allowance, 0);
    QCOMPARE(form->Label_PP->text(), QStringLiteral("0"));
    QCOMPARE(form->Label1->text(), printing::kStatusLimit);
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, printing::kLimitTitle);
    QVERIFY2(ts->messages.shown[0].prompt.contains(u"300枚"),
             qPrintable(ts->messages.shown[0].prompt));
    QVERIFY(registry->find<F_CustInput>() == form);  // the form stays open

    // A second run in the same opening prints nothing and says why.
    ts->messages.shown.clear();
    form->Command3->click();
    QCOMPARE(ts->printers.printed.size(), 300);
    QCOMPARE(ts->messages.shown.size(), 1);
    QVERIFY(ts->messages.shown[0].prompt.contains(u"今回印刷したラベル: 0枚"));

    // Opening the form anew gives it the whole allowance again.
    form->閉じる->click();
    QTRY_VERIFY(!registry->find<F_CustInput>());
    QCOMPARE(registry->show<F_CustInput>()->allowance, printing::kLabelAllowance);
}

void tst_print_runs::cancelDuringTenthLabel() {
    useWorkbook(QStringLiteral("rows301.xls"));
    ts->printers.keepPages = false;
    bool pressed = false;
    ts->run.service = [this, &pressed] {
        // The operator presses キャンセル while the 10th label prints.
        if (ts->printers.opened == 10 && !pressed) {
            pressed = true;
            registry->find<printing::frmprinting>()->comcancel1->click();
        }
    };
    F_CustInput* form = registry->show<F_CustInput>();
    form->Command3->click();

    QCOMPARE(ts->printers.printed.size(), 9);
    QCOMPARE(ts->printers.discarded, 1);
    QCOMPARE(form->allowance, 290);
    QCOMPARE(form->Label1->text(), printing::kStatusCancelled);
    QVERIFY(ts->messages.shown.isEmpty());

    // The next run starts its count-down at what the allowance kept.
    form->Command3->click();
    QCOMPARE(ts->printers.printed.size(), 9 + 290);
    QCOMPARE(form->allowance, 0);
    QCOMPARE(ts->messages.shown.size(), 1);
    QVERIFY(ts->messages.shown[0].prompt.contains(u"今回印刷したラベル: 290枚"));
}

void tst_print_runs::printerChoiceCancelledChangesNothing() {
    useWorkbook(QStringLiteral("sample.xls"));
    useConnection(QStringLiteral("1"));
    const auto choice = ts->printerChoice;
    ts->printSetup.expect(test::ScriptedPrintSetupDialog::cancel());
    F_CustInput* form = registry->show<F_CustInput>();
    form->Command3->click();

    QCOMPARE(ts->printSetup.shown.size(), 1);
    QCOMPARE(ts->printSetup.shown[0].Flags, platform::PD_PRINTSETUP);
    QCOMPARE(ts->printSetup.shown[0].hwndOwner, form);
    QCOMPARE(ts->printers.opened, 0);
    QVERIFY(ts->messages.shown.isEmpty());
    QCOMPARE(form->Label1->text(), QString());
    QCOMPARE(form->allowance, printing::kLabelAllowance);
    QCOMPARE(form->Text999->text(), QStringLiteral("1"));
    QVERIFY(ts->printerChoice == choice);
    QVERIFY(registry->find<F_CustInput>() == form);
}

void tst_print_runs::chosenCustomPageForEveryLabel() {
    useWorkbook(QStringLiteral("sample.xls"));
    useConnection(QStringLiteral("1"));
    ts->printers.keepPages = false;
    ts->printSetup.expect([](platform::PRINTDLG& d) {
        d.hDevMode->dmFields |=
            platform::DM_PAPERSIZE | platform::DM_PAPERWIDTH | platform::DM_PAPERLENGTH;
        d.hDevMode->dmPaperSize = 256;
        d.hDevMode->dmPaperWidth = 1000;
        d.hDevMode->dmPaperLength = 1500;
        return true;
    });
    F_CustInput2* partial = registry->show<F_CustInput2>();
    partial->TextPP1->setText(QStringLiteral("1"));
    partial->TextPP2->setText(QStringLiteral("20"));
    partial->Command3->click();

    QCOMPARE(ts->printers.pageSizes.size(), 20);
    const QSize page(qRound(100 / 25.4 * 100), qRound(150 / 25.4 * 100));
    for (const QSize& printed : ts->printers.pageSizes) QCOMPARE(printed, page);
    QVERIFY(qAbs(ts->printers.width().value_or(0) - 100 * kTwipsPerMm) < 1);
    QCOMPARE(ts->printerChoice.paperSize, 256);
}

void tst_print_runs::partialRange_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("3 to 5") << u"3"_qs << u"5"_qs
                            << QStringList{u"4900012345747"_qs, u"4900012345815"_qs,
                                           u"4900012345884"_qs};
    QTest::newRow("blanks around") << u" 20 "_qs << u"20"_qs << QStringList{u"4900012346935"_qs};
    QTest::newRow("reversed") << u"5"_qs << u"3"_qs << QStringList{};
    QTest::newRow("beyond the last row") << u"21"_qs << u"99999999999"_qs << QStringList{};
}

void tst_print_runs::partialRange() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QStringList, printed);
    useWorkbook(QStringLiteral("sample.xls"));
    recordValues();
    QPointer<F_CustInput2> form = registry->show<F_CustInput2>();
    QCOMPARE(form->Adodc1->rowCount(), 20);
    form->TextPP1->setText(first);
    form->TextPP2->setText(last);
    form->Command3->click();

    QCOMPARE(values, printed);
    // Every row was walked and got its barcode made: the last one's label data stands.
    QCOMPARE(registry->find<F_CustInput>()->Text1->text(), QStringLiteral("4900012346935"));
    QCOMPARE(messages(), QStringList{u"処理終了: 印刷終了。ﾃﾞｰﾀﾍﾞｰｽと接続解除しました。"_qs});
    QTRY_VERIFY(!form);
    // The continuous form it loaded stays.
    QVERIFY(registry->find<F_CustInput>());
}

void tst_print_runs::partialRangeBeyondThreeHundredWalkedRows() {
    // Only printed labels count down: rows past the 300th walked row are reached.
    useWorkbook(QStringLiteral("rows301.xls"));
    recordValues();
    F_CustInput2* form = registry->show<F_CustInput2>();
    form->TextPP1->setText(QStringLiteral("299"));
    form->TextPP2->setText(QStringLiteral("301"));
    form->Command3->click();
    QCOMPARE(values.size(), 3);
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, printing::kEndTitle);
}

void tst_print_runs::badBound_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("first empty") << QString() << u"5"_qs;
    QTest::newRow("last empty") << u"3"_qs << QString();
    QTest::newRow("blank") << u" "_qs << u"5"_qs;
    QTest::newRow("text") << u"abc"_qs << u"5"_qs;
    QTest::newRow("decimal") << u"3.5"_qs << u"5"_qs;
    QTest::newRow("exponent") << u"3"_qs << u"1e2"_qs;
}

void tst_print_runs::badBound() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    useWorkbook(QStringLiteral("sample.xls"));
    F_CustInput2* form = registry->show<F_CustInput2>();
    form->TextPP1->setText(first);
    form->TextPP2->setText(last);
    form->Command3->click();

    QCOMPARE(ts->printers.opened, 0);
    QCOMPARE(messages(), QStringList{u"ERROR: 行数が無効です"_qs});
    QCOMPARE(ts->messages.shown[0].icon, Icon::Exclamation);
    QCOMPARE(form->Label1->text(), printing::kStatusPrinting);
    // The form and its source stay open at the first row.
    QVERIFY(registry->find<F_CustInput2>() == form);
    QVERIFY(form->source() && form->source()->isOpen());
    QCOMPARE(form->DataGrid1->currentIndex().row(), 0);
}

void tst_print_runs::previewBarcode() {
    useWorkbook(QStringLiteral("sample.xls"));
    F_CustInput2* form = registry->show<F_CustInput2>();
    form->Text5->setText(QStringLiteral("JAN-4900012345600"));
    // Every repaint draws the sample text with the form's parameters: all 0 until a run.
    const QImage before = form->Picture1->grab().toImage();
    QCOMPARE(form->Text5->text(), printing::kSampleBarcodeText);
    QVERIFY(before.pixelColor(0, 0) != QColor(Qt::white));  // bars from the left edge
    QCOMPARE(form->bar, printing::BarcodeParameters{});

    // A run sets the print values, and the next repaint draws with them (quiet zone first).
    form->TextPP1->setText(QStringLiteral("x"));
    form->Command3->click();
    QCOMPARE(form->bar, printing::BarcodeParameters::printValues());
    form->Text5->setText(QStringLiteral("JAN-4900012345600"));
    const QImage after = form->Picture1->grab().toImage();
    QCOMPARE(form->Text5->text(), printing::kSampleBarcodeText);
    QCOMPARE(after.pixelColor(0, 0), QColor(Qt::white));
    QVERIFY(after != before);
}

void tst_print_runs::partialStartsAtSelectedRow() {
    useWorkbook(QStringLiteral("sample.xls"));
    recordValues();
    F_CustInput2* form = registry->show<F_CustInput2>();
    form->DataGrid1->selectRow(3);
    form->TextPP1->setText(QStringLiteral("1"));
    form->TextPP2->setText(QStringLiteral("2"));
    form->Command3->click();
    // The selected fourth row is row 1.
    QCOMPARE(values, (QStringList{u"4900012345815"_qs, u"4900012345884"_qs}));
}

void tst_print_runs::textPriceStopsAtItsRow() {
    useWorkbook(QStringLiteral("awkward-cells.xls"), QStringLiteral("sheet1"));
    recordValues();
    F_CustInput* form = registry->show<F_CustInput>();
    QVERIFY(ts->messages.shown.isEmpty());
    form->Command3->click();

    // Rows 1 to 7 print (row 7's empty price prints none); row 8's price is a text.
    QCOMPARE(values.size(), 7);
    QCOMPARE(ts->printers.discarded, 1);
    QCOMPARE(ts->messages.shown.size(), 1);
    const test::ShownMessage& m = ts->messages.shown[0];
    QCOMPARE(m.title, printing::kFailureTitle);
    QVERIFY2(m.prompt.contains(u"8行目") && m.prompt.contains(u"オープン価格"),
             qPrintable(m.prompt));
    QCOMPARE(form->Label1->text(), printing::kStatusFailed);
    QVERIFY(registry->find<F_CustInput>() == form);
    QCOMPARE(form->allowance, 300 - 8);
}

void tst_print_runs::loadFailuresOfBothForms() {
    home->writeFile(
        settings::kDatabaseFile,
        test::settingsFile(settings::databaseHeader(),
                           {QStringLiteral("/nonexistent/items.xls"), QStringLiteral("Sheet1"),
                            QStringLiteral("select * from ")}));
    F_CustInput2* partial = registry->show<F_CustInput2>();
    QVERIFY(partial);
    QCOMPARE(ts->messages.shown.size(), 2);
    QCOMPARE(ts->messages.shown[0].title, printing::kContinuousLoadTitle);
    QVERIFY(ts->messages.shown[0].prompt.contains(u"/nonexistent/items.xls"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::None);
    QCOMPARE(ts->messages.shown[1].title, printing::kPartialLoadTitle);
    QCOMPARE(ts->messages.shown[1].prompt, printing::kPartialPathPrompt);
    QCOMPARE(ts->messages.shown[1].icon, Icon::None);
    // Both forms are open without preview; only the partial one is shown.
    QCOMPARE(partial->Adodc1->rowCount(), 0);
    QVERIFY(registry->find<F_CustInput>());
    QVERIFY(!registry->find<F_CustInput>()->isVisible());
}

void tst_print_runs::startButtonInertDuringRun() {
    useWorkbook(QStringLiteral("sample.xls"));
    recordValues();
    F_CustInput* form = registry->show<F_CustInput>();
    F_CustInput2* partial = registry->show<F_CustInput2>();
    partial->TextPP1->setText(QStringLiteral("1"));
    partial->TextPP2->setText(QStringLiteral("20"));
    ts->run.service = [&] {
        // Both start buttons pressed again during the third label.
        if (ts->printers.opened == 3) {
            form->Command3->click();
            partial->Command3->click();
        }
    };
    form->Command3->click();
    QCOMPARE(values.size(), 20);
    QCOMPARE(ts->printers.opened, 20);
    QCOMPARE(ts->messages.shown.size(), 1);
}

void tst_print_runs::closingFormStopsRunAfterLabel() {
    useWorkbook(QStringLiteral("sample.xls"));
    recordValues();
    QPointer<F_CustInput> form = registry->show<F_CustInput>();
    ts->run.service = [&] {
        if (ts->printers.opened == 5 && form) form->閉じる->click();
    };
    form->Command3->click();
    // The label in progress was printed, then the run stopped and the form closed.
    QCOMPARE(values.size(), 5);
    QVERIFY(ts->messages.shown.isEmpty());
    QTRY_VERIFY(!form);
    QVERIFY(!registry->find<F_CustInput>());

    // The same with the window's own close during a partial run.
    values.clear();
    ts->printers.opened = 0;
    QPointer<F_CustInput2> partial = registry->show<F_CustInput2>();
    partial->TextPP1->setText(QStringLiteral("1"));
    partial->TextPP2->setText(QStringLiteral("20"));
    ts->run.service = [&] {
        if (ts->printers.opened == 2 && partial) partial->frame()->close();
    };
    partial->Command3->click();
    QCOMPARE(values.size(), 2);
    QTRY_VERIFY(!partial);
    QVERIFY(!registry->find<F_CustInput2>());
}

QTEST_MAIN(tst_print_runs)
#include "tst_print_runs.moc"
