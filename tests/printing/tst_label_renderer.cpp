// The label renderer on a recording surface and on the scripted printers: where every item of
// a label lands, the header, the text loop, the progress bar and cancel.
#include "RecordingSurface.h"
#include "platform/PrinterSystem.h"
#include "platform/Regional.h"
#include "printer/windows/Form3.h"
#include "printing/Module1.h"
#include "printing/QPainterSurface.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/frmprinting.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace pellix;
using Kind = test::RecordingSurface::Kind;

class tst_label_renderer : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void labelBlockItems_data();
    void labelBlockItems();
    void headerRuleBarcodeAndProgress();
    void progressWindowOfEachLabel();
    void emptyValuePrintsHeaderOnly();
    void c5255PrintsEmptyTitles();
    void shortValueGivesShortLastGroup();
    void textLoopAlwaysEnds_data();
    void textLoopAlwaysEnds();
    void newPageWhenTheTextStartsLow();
    void cancelBeforeServicePointDiscardsLabel();
    void cancelAfterServicePointKeepsLabel();
    void cancelledLabelNeverReachesPrinter();
    void failuresDiscardTheLabel_data();
    void failuresDiscardTheLabel();
    void documentFailuresReachTheRun_data();
    void documentFailuresReachTheRun();
    void invalidBarcodePrintsNoBarcode();
    void baseFontTooSmallIsAnError();
    void priceAsCurrency_data();
    void priceAsCurrency();
    void priceFollowsSystemLocale();
    void printRunLeavesClipboardAlone();

  private:
    printing::F_CustInput* form() { return registry->load<printing::F_CustInput>(); }
    void fill(const QString& value, const QString& price = QStringLiteral("1500"));
    // Presses the progress window's cancel button at the renderer's next service point.
    void pressCancelAtServicePoint();

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::PrinterTestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_label_renderer::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    ts = std::make_unique<test::PrinterTestServices>();
    registry = test::programWindows(ts->services);
    printing::Module1::print_cancel = 0;
    fill(QStringLiteral("4901234567894"));
}

void tst_label_renderer::cleanup() {
    registry.reset();
    ts.reset();
    home.reset();
}

void tst_label_renderer::fill(const QString& value, const QString& price) {
    printing::F_CustInput* f = form();
    f->Text1->setText(value);
    f->Text2->setText(QStringLiteral("りんごジュース"));
    f->Text3->setText(QStringLiteral("青森県産"));
    f->Text4->setText(price);
    f->Text5->setText(QStringLiteral("JAN-") + value);
    f->Text8->setText(value);
    f->Textsize1->setText(QStringLiteral("10"));
    f->Textsize2->setText(QStringLiteral("20"));
    f->Textsize3->setText(QStringLiteral("0"));
    f->Label_PP->setText(QStringLiteral("300"));
    platform::BarcodeCopy(f->Text5->text().toLatin1(), 5, 25, 1, f->Picture2);
}

void tst_label_renderer::pressCancelAtServicePoint() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            auto* progress = registry->find<printing::frmprinting>();
            QVERIFY(progress);
            QTest::mouseClick(progress->comcancel1, Qt::LeftButton);
        },
        Qt::QueuedConnection);
}

void tst_label_renderer::labelBlockItems_data() {
    QTest::addColumn<QString>("z");  // the text size adjustment, as the job form holds it
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    struct Item {
        const char* name;
        QString text;
        double x, y;
        bool bold, italic;
    };
    // Base font 9 points: "5" is 3.47 mm high on the recording surface, so line_h is 3.
    const Item items[] = {
        {"title 1", QStringLiteral("ペリックス商店"), 19.0, 20.15, true, true},
        {"item name", QStringLiteral("りんごジュース"), 13.0, 24.0, true, false},
        {"name", QStringLiteral("青森県産"), 13.0, 26.5, false, false},
        {"price", QStringLiteral("￥1,500"), 23.0, 29.7, true, true},
        {"title 2", QStringLiteral("税込価格"), 11.0, 31.0, true, true},
        {"JAN text", QStringLiteral("4  901234  567894"), 14.0, 41.0, true, false},
    };
    // Sizes of the items above for each adjustment of the slider's range; a text whose size
    // would be at or below 0 points prints at 1 point.
    const struct {
        const char* z;
        double sizes[6];
    } adjustments[] = {
        {"0", {8, 7, 8, 11, 6.5, 8}}, {"3", {11, 10, 11, 14, 9.5, 11}},
        {"-6", {2, 1, 2, 5, 0.5, 2}}, {"-7", {1, 1, 1, 4, 1, 1}},
        {"-20", {1, 1, 1, 1, 1, 1}},  {"20", {28, 27, 28, 31, 26.5, 28}},
    };
    for (const auto& a : adjustments)
        for (int i = 0; i < 6; ++i)
            QTest::addRow("Z %s, %s", a.z, items[i].name)
                << QString::fromLatin1(a.z) << items[i].text << items[i].x << items[i].y
                << a.sizes[i] << items[i].bold << items[i].italic;
}

void tst_label_renderer::labelBlockItems() {
    QFETCH(QString, z);
    QFETCH(QString, text);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    form()->Textsize3->setText(z);
    test::RecordingSurface printer;
    const settings::Status st = printing::Module1::print_label(registry->context(), printer);
    QVERIFY2(st, qPrintable(st.message));
    QCOMPARE(printing::Module1::line_h, 3);
    const auto hits = printer.printed(text);
    QCOMPARE(hits.size(), 1);
    const auto& op = hits.first();
    QCOMPARE(float(op.x), float(x));
    QCOMPARE(float(op.y), float(y));
    QCOMPARE(op.size, size);
    QCOMPARE(op.bold, bold);
    QCOMPARE(op.italic, italic);
    QCOMPARE(op.face, form()->Text1->font().family());
    QCOMPARE(printer.scaleMode, 6);
    QCOMPARE(printer.count(Kind::EndDoc), 1);
}

void tst_label_renderer::headerRuleBarcodeAndProgress() {
    test::RecordingSurface printer;
    QStringList progress;
    bool emptyAtShow = false;
    printer.onOp = [&](const test::RecordingSurface::Op&) {
        auto* window = registry->find<printing::frmprinting>();
        if (!window || !progress.isEmpty() || emptyAtShow) return;
        emptyAtShow = window->txtprogress->text().isEmpty() && window->isVisible();
        connect(window->txtprogress, &QLineEdit::textChanged, this,
                [&](const QString& t) { progress << t; });
    };
    QVERIFY(printing::Module1::print_label(registry->context(), printer));

    QCOMPARE(printing::Module1::max_w, 200);
    QCOMPARE(printing::Module1::page_lines, 99);
    QCOMPARE(printer.count(Kind::Line), 1);
    for (const auto& op : printer.ops) {
        if (op.kind == Kind::Line) {
            QCOMPARE(op.x, 10.0);
            QCOMPARE(op.y, 23.0);
            QCOMPARE(op.x2, 310.0);
            QCOMPARE(op.y2, 23.0);
            QCOMPARE(op.drawWidth, 3);
        }
        if (op.kind == Kind::Picture) {
            QCOMPARE(op.x, 11.0);
            QCOMPARE(op.y, 34.0);
            QCOMPARE(op.x2, 32.0);
            QVERIFY(qAbs(op.y2 - 25 * 25.4 / 96) < 1e-9);
            QCOMPARE(op.text, QStringLiteral("4901234567894"));
        }
    }
    QCOMPARE(printer.count(Kind::Picture), 1);
    // One document, ended after the label block.
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    QCOMPARE(printer.count(Kind::KillDoc), 0);
    QCOMPARE(printer.ops.last().kind, Kind::EndDoc);
    QVERIFY(emptyAtShow);
    QCOMPARE(progress, QStringList{QString(25, QChar(0x25A0))});
    // The progress window closes with the label.
    QTRY_VERIFY(!registry->find<printing::frmprinting>());
}

void tst_label_renderer::progressWindowOfEachLabel() {
    test::RecordingSurface printer;
    QList<printing::frmprinting*> windows;
    QStringList texts;
    printer.onOp = [&](const test::RecordingSurface::Op&) {
        auto* w = registry->find<printing::frmprinting>();
        if (windows.contains(w)) return;
        windows << w;
        texts << w->windowTitle() << w->Label1->text() << w->comcancel1->text();
        QVERIFY(w->Label1->font().bold());
        QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("comcancel1")), w->comcancel1);
    };
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(windows.size(), 1);
    QCOMPARE(texts, (QStringList{QStringLiteral("   印刷処理中"),
                                 QStringLiteral("伝票印刷処理中　しばらくお待ちください。"),
                                 QStringLiteral("キャンセル")}));
}

void tst_label_renderer::emptyValuePrintsHeaderOnly() {
    fill(QString());
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.ops.size(), 3);
    QCOMPARE(printer.ops[0].kind, Kind::Print);
    QCOMPARE(printer.ops[0].text, QStringLiteral("ペリックス商店"));
    QCOMPARE(printer.ops[1].kind, Kind::Line);
    QCOMPARE(printer.ops[2].kind, Kind::EndDoc);
}

void tst_label_renderer::c5255PrintsEmptyTitles() {
    QVERIFY(settings::save(settings::filePath(settings::kOutputFile), settings::outputHeader(),
                           {QStringLiteral("自社"), settings::kC5255Marker, QStringLiteral("9"),
                            QStringLiteral("0")}));
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.printed(QString()).size(), 2);
    QCOMPARE(printer.printed(QStringLiteral("自社")).size(), 0);
    QCOMPARE(printer.count(Kind::Line), 1);
    // The titles come from the dialog's boxes, which the renderer loads without showing.
    QVERIFY(registry->find<printer::Form3>());
    QVERIFY(!registry->find<printer::Form3>()->isVisible());
}

void tst_label_renderer::shortValueGivesShortLastGroup() {
    fill(QStringLiteral("490123456789"));
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.printed(QStringLiteral("4  901234  56789")).size(), 1);
}

void tst_label_renderer::textLoopAlwaysEnds_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("pageWidth");
    QTest::addColumn<QStringList>("lines");  // what the loop prints of the value
    QTest::addColumn<double>("lineX");
    QTest::newRow("line break") << QStringLiteral("12\r\n34") << 210.0
                                << QStringList{QStringLiteral("12")} << 20.0;
    // max_w 30: 7 characters of the header's 8-point text fit beside the 10 mm; the rest that
    // fits goes with the label block, which prints nothing of the value.
    QTest::newRow("wider than the line")
        << QStringLiteral("123456789012") << 40.0 << QStringList{QStringLiteral("1234567")} << 15.0;
    // max_w 2: not even one character fits; each is taken as a line of its own.
    QTest::newRow("no character fits")
        << QStringLiteral("123") << 12.0
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")} << 15.0;
}

void tst_label_renderer::textLoopAlwaysEnds() {
    QFETCH(QString, value);
    QFETCH(double, pageWidth);
    QFETCH(QStringList, lines);
    QFETCH(double, lineX);
    fill(value);
    test::RecordingSurface printer;
    printer.pageMm = QSizeF(pageWidth, 297);
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    for (const QString& line : lines) {
        const auto hits = printer.printed(line);
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits.first().x, lineX);
        QCOMPARE(hits.first().size, 8.0);
    }
    QCOMPARE(printer.printed(QStringLiteral("りんごジュース")).size(), 1);
    QCOMPARE(printer.count(Kind::EndDoc), 1);
}

void tst_label_renderer::newPageWhenTheTextStartsLow() {
    // On a page 30 mm high, line_h 3 gives 10 lines; the text starts at Y + line_h = 23, below
    // the last four lines (18 mm), so the loop turns the page and goes on at Y + 4 x line_h.
    fill(QStringLiteral("12\r\n34"));
    test::RecordingSurface printer;
    printer.pageMm = QSizeF(100, 30);
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printing::Module1::page_lines, 10);
    QList<Kind> kinds;
    for (const auto& op : printer.ops) kinds << op.kind;
    QCOMPARE(kinds.mid(0, 4), (QList<Kind>{Kind::Print, Kind::Line, Kind::NewPage, Kind::Print}));
    QCOMPARE(printer.count(Kind::NewPage), 1);
    const auto line = printer.printed(QStringLiteral("12"));
    QCOMPARE(line.size(), 1);
    QCOMPARE(line.first().x, 20.0);
    QCOMPARE(line.first().y, 32.0);
    // The label block keeps its own positions, on the new page.
    QCOMPARE(printer.printed(QStringLiteral("りんごジュース")).first().y, 24.0);
    QCOMPARE(printer.ops.last().kind, Kind::EndDoc);

    // On the printer: one document of two pages.
    QVERIFY(ts->printers.set(platform::PrinterProperty::PaperSize, platform::kUserDefinedPaper));
    QVERIFY(ts->printers.setWidth(100 * 1440 / 25.4));
    QVERIFY(ts->printers.setHeight(30 * 1440 / 25.4));
    QVERIFY(printing::Module1::print_label(registry->context()));
    QCOMPARE(ts->printers.printed.size(), 1);
    QCOMPARE(ts->printers.printed.first().size(), 2);
}

void tst_label_renderer::cancelBeforeServicePointDiscardsLabel() {
    pressCancelAtServicePoint();
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.count(Kind::KillDoc), 1);
    QCOMPARE(printer.count(Kind::EndDoc), 0);
    QCOMPARE(printer.printed(QStringLiteral("りんごジュース")).size(), 0);
    QCOMPARE(printing::Module1::print_cancel, std::int16_t(-1));
    QCOMPARE(form()->Label_PP->text(), QStringLiteral("1"));

    // The next label starts with the flag cleared.
    test::RecordingSurface next;
    QVERIFY(printing::Module1::print_label(registry->context(), next));
    QCOMPARE(next.count(Kind::EndDoc), 1);
    QCOMPARE(printing::Module1::print_cancel, std::int16_t(0));
}

void tst_label_renderer::cancelAfterServicePointKeepsLabel() {
    test::RecordingSurface printer;
    printer.onOp = [&](const test::RecordingSurface::Op& op) {
        if (op.kind == Kind::Picture)
            QTest::mouseClick(registry->find<printing::frmprinting>()->comcancel1, Qt::LeftButton);
    };
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    QCOMPARE(printer.count(Kind::KillDoc), 0);
    QCOMPARE(printer.printed(QStringLiteral("4  901234  567894")).size(), 1);
    // The press still ends the run after this label.
    QCOMPARE(form()->Label_PP->text(), QStringLiteral("1"));
}

void tst_label_renderer::cancelledLabelNeverReachesPrinter() {
    pressCancelAtServicePoint();
    QVERIFY(printing::Module1::print_label(registry->context()));
    QCOMPARE(ts->printers.opened, 1);
    QCOMPARE(ts->printers.discarded, 1);
    QVERIFY(ts->printers.printed.isEmpty());

    QVERIFY(printing::Module1::print_label(registry->context()));
    QCOMPARE(ts->printers.printed.size(), 1);
    QCOMPARE(ts->printers.printed.first().size(), 1);  // one page
}

void tst_label_renderer::failuresDiscardTheLabel_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("origin") << QStringLiteral("Textsize1") << QStringLiteral("abc")
                            << QStringLiteral("印刷位置の調整値「abc」が数値ではありません。");
    QTest::newRow("size adjustment")
        << QStringLiteral("Textsize3") << QString()
        << QStringLiteral("印刷位置の調整値「」が数値ではありません。");
    QTest::newRow("origin not finite")
        << QStringLiteral("Textsize2") << QStringLiteral("inf")
        << QStringLiteral("印刷位置の調整値「inf」が数値ではありません。");
    QTest::newRow("price") << QStringLiteral("Text4") << QStringLiteral("時価")
                           << QStringLiteral("価格「時価」が数値ではありません。");
}

void tst_label_renderer::failuresDiscardTheLabel() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    form()->findChild<QLineEdit*>(field)->setText(value);
    const settings::Status st = printing::Module1::print_label(registry->context());
    QVERIFY(!st);
    QCOMPARE(st.message, message);
    QVERIFY(ts->printers.printed.isEmpty());
    QTRY_VERIFY(!registry->find<printing::frmprinting>());
}

void tst_label_renderer::documentFailuresReachTheRun_data() {
    QTest::addColumn<bool>("refuseStart");
    QTest::addColumn<QString>("message");
    QTest::newRow("document cannot start") << true << QStringLiteral("プリンタが応答しません。");
    QTest::newRow("document cannot be handed over")
        << false << QStringLiteral("プリンタに印刷データを渡せませんでした。");
}

void tst_label_renderer::documentFailuresReachTheRun() {
    QFETCH(bool, refuseStart);
    QFETCH(QString, message);
    test::RecordingSurface printer;
    printer.refuseDocuments = refuseStart;
    printer.refuseHandOver = !refuseStart;
    const settings::Status st = printing::Module1::print_label(registry->context(), printer);
    QVERIFY(!st);
    QCOMPARE(st.message, message);
    QCOMPARE(printer.count(Kind::EndDoc), 0);
    QCOMPARE(printer.ops.isEmpty(), refuseStart);
    QTRY_VERIFY(!registry->find<printing::frmprinting>());

    // The same on the printer that refuses to start a document: nothing printed, nothing open.
    ts->printers.refuseDocuments = true;
    const settings::Status onPrinter = printing::Module1::print_label(registry->context());
    QVERIFY(!onPrinter);
    QCOMPARE(onPrinter.message, QStringLiteral("プリンタが応答しません。"));
    QCOMPARE(ts->printers.opened, 0);
    QVERIFY(ts->printers.printed.isEmpty());
}

void tst_label_renderer::baseFontTooSmallIsAnError() {
    QFont tiny = form()->Text1->font();
    tiny.setPointSizeF(1);  // "5" is 0.39 mm high: line_h rounds to 0
    form()->Text1->setFont(tiny);
    test::RecordingSurface printer;
    const settings::Status st = printing::Module1::print_label(registry->context(), printer);
    QVERIFY(!st);
    QVERIFY2(st.message.contains(QStringLiteral("小さすぎて行の高さを決められません")),
             qPrintable(st.message));
    QCOMPARE(printing::Module1::line_h, 0);
    QVERIFY(printer.ops.isEmpty());
}

void tst_label_renderer::invalidBarcodePrintsNoBarcode() {
    // A first record with a barcode, then one whose value gives none.
    fill(QStringLiteral("4901234567890"));  // wrong check digit
    QVERIFY(!form()->Picture2.hasPicture());
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.count(Kind::Picture), 0);
    QCOMPARE(printer.count(Kind::EndDoc), 1);
}

void tst_label_renderer::priceAsCurrency_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("expected");
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    QTest::newRow("ja_JP") << ja << QStringLiteral("1500") << QStringLiteral("￥1,500");
    QTest::newRow("ja_JP decimals dropped")
        << ja << QStringLiteral("1500.4") << QStringLiteral("￥1,500");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << QStringLiteral("1500") << QStringLiteral("$1,500.00");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("1500")
                           << QStringLiteral("1.500,00\u00a0€");
    QTest::newRow("not a number") << ja << QStringLiteral("1,500円") << QString();
}

void tst_label_renderer::priceAsCurrency() {
    QFETCH(QLocale, locale);
    QFETCH(QString, price);
    QFETCH(QString, expected);
    const auto text = printing::Module1::formatPrice(price, locale);
    if (expected.isEmpty())
        QVERIFY(!text);
    else
        QCOMPARE(text.value_or(QString()), expected);
}

void tst_label_renderer::priceFollowsSystemLocale() {
    // Run under LC_ALL=C.UTF-8 and again under LC_ALL=ja_JP.UTF-8: both print Japanese currency.
    const QString system = QLocale::system().name();
    QVERIFY2(system == QLatin1String("C") || system == QLatin1String("ja_JP"), qPrintable(system));
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(registry->context(), printer));
    QCOMPARE(printer.printed(QStringLiteral("￥1,500")).size(), 1);
}

void tst_label_renderer::printRunLeavesClipboardAlone() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("レジで使う控え"));
    for (const QString& value :
         {QStringLiteral("4901234567894"), QStringLiteral("45678901"), QStringLiteral("x")}) {
        fill(value);
        QVERIFY(printing::Module1::print_label(registry->context()));
    }
    QCOMPARE(clipboard->text(), QStringLiteral("レジで使う控え"));
    QVERIFY(!clipboard->mimeData()->hasImage());
    QCOMPARE(ts->printers.printed.size(), 3);
}

QTEST_MAIN(tst_label_renderer)
#include "tst_label_renderer.moc"
