// The label renderer over label jobs: on a recording surface, where every item of a label lands,
// the header, the text loop, progress and cancel; on the scripted printers, what reaches the
// printer. No window takes part.
#include "platform/PrinterSystem.h"
#include "platform/Regional.h"
#include "printing/Module1.h"
#include "support/PrinterDoubles.h"
#include "support/RecordingSurface.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

using namespace pellix;
using Kind = test::RecordingSurface::Kind;
using printing::LabelJob;

Q_DECLARE_METATYPE(pellix::printing::LabelJob)
Q_DECLARE_METATYPE(pellix::ErrorKind)

namespace {

QFont font(double points) {
    QFont f;
    f.setFamily(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPointSizeF(points);
    return f;
}

// The label of an ordinary record at X 10, Y 20, Z 0 with a 9-point base font: "5" is 3.47 mm
// high on the recording surface, so line_h is 3.
LabelJob ordinary(const QString& value = QStringLiteral("4901234567894")) {
    LabelJob job;
    job.title1 = QStringLiteral("ペリックス商店");
    job.title2 = QStringLiteral("税込価格");
    job.value = value;
    job.itemName = QStringLiteral("りんごジュース");
    job.name = QStringLiteral("青森県産");
    job.price = QStringLiteral("1500");
    job.janSource = value;
    job.originX = QStringLiteral("10");
    job.originY = QStringLiteral("20");
    job.sizeAdjustment = QStringLiteral("0");
    job.baseFont = font(9);
    job.picture = platform::encodeBarcode(QByteArray("JAN-") + value.toLatin1(), 5, 25, 1);
    return job;
}

// The texts of a label in the order they are printed.
QStringList printedTexts(const test::RecordingSurface& printer) {
    QStringList texts;
    for (const auto& op : printer.ops)
        if (op.kind == Kind::Print) texts << op.text;
    return texts;
}

// Records what the renderer reports of a label's progress.
class RecordingProgress final : public printing::LabelProgress {
  public:
    void started() override { events << QStringLiteral("started"); }
    void advanced(int marks) override { events << QString::number(marks); }
    void finished() override { events << QStringLiteral("finished"); }
    QStringList events;
};

}  // namespace

class tst_label_renderer : public QObject {
    Q_OBJECT

  private slots:
    void init();

    void measures_data();
    void measures();
    void labelBlockItems_data();
    void labelBlockItems();
    void headerRuleAndBarcode();
    void labels_data();
    void labels();
    void textLoopAlwaysEnds_data();
    void textLoopAlwaysEnds();
    void newPageWhenTheTextStartsLow();
    void cancel_data();
    void cancel();
    void cancelledLabelNeverReachesPrinter();
    void failuresDiscardTheLabel_data();
    void failuresDiscardTheLabel();
    void documentFailuresReachTheRun_data();
    void documentFailuresReachTheRun();
    void priceAsCurrency_data();
    void priceAsCurrency();
    void priceFollowsSystemLocale();
    void printRunLeavesClipboardAlone();

  private:
    printing::RunControl run;
    RecordingProgress progress;
};

void tst_label_renderer::init() {
    progress.events.clear();
    run = {};
    run.progress = &progress;
    // The renderer's one service point; tests that press cancel there say so.
    run.service = [] {};
}

void tst_label_renderer::measures_data() {
    QTest::addColumn<double>("points");
    QTest::addColumn<QSizeF>("page");
    QTest::addColumn<int>("line_h");
    QTest::addColumn<int>("page_lines");
    QTest::addColumn<int>("max_w");
    QTest::newRow("9 pt on A4") << 9.0 << QSizeF(210, 297) << 3 << 99 << 200;
    QTest::newRow("12 pt") << 12.0 << QSizeF(210, 297) << 5 << 59 << 200;
    // Halves round to the even neighbour: 92.5 to 92, 93.5 to 94.
    QTest::newRow("width half down") << 9.0 << QSizeF(102.5, 150) << 3 << 50 << 92;
    QTest::newRow("width half up") << 9.0 << QSizeF(103.5, 150) << 3 << 50 << 94;
}

void tst_label_renderer::measures() {
    QFETCH(double, points);
    QFETCH(QSizeF, page);
    QFETCH(int, line_h);
    QFETCH(int, page_lines);
    QFETCH(int, max_w);
    LabelJob job = ordinary();
    job.baseFont = font(points);
    test::RecordingSurface printer;
    printer.pageMm = page;
    printing::Measures m;
    QVERIFY(printing::Module1::print_setup(job, printer, m));
    QCOMPARE(m.line_h, line_h);
    QCOMPARE(m.page_lines, page_lines);
    QCOMPARE(m.max_w, max_w);
    QCOMPARE(printer.scaleMode, 6);
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
    LabelJob job = ordinary();
    job.sizeAdjustment = z;
    test::RecordingSurface printer;
    const Result printed = printing::Module1::print_label(job, run, printer);
    QVERIFY2(printed, qPrintable(printed.message));
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    const auto hits = printer.printed(text);
    QCOMPARE(hits.size(), 1);
    const auto& op = hits.first();
    QCOMPARE(float(op.x), float(x));
    QCOMPARE(float(op.y), float(y));
    QCOMPARE(op.size, size);
    QCOMPARE(op.bold, bold);
    QCOMPARE(op.italic, italic);
    QCOMPARE(op.face, QStringLiteral("ＭＳ Ｐゴシック"));
}

void tst_label_renderer::headerRuleAndBarcode() {
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(ordinary(), run, printer));
    QCOMPARE(printer.count(Kind::Line), 1);
    QCOMPARE(printer.count(Kind::Picture), 1);
    for (const auto& op : printer.ops) {
        if (op.kind == Kind::Line) {
            // From X to X + 1.5 max_w at Y + line_h, 3 pixels thick.
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
    // One document, ended after the label block; the progress goes from empty to whole in one
    // pass.
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    QCOMPARE(printer.count(Kind::KillDoc), 0);
    QCOMPARE(printer.ops.last().kind, Kind::EndDoc);
    QCOMPARE(progress.events, (QStringList{QStringLiteral("started"), QStringLiteral("25"),
                                           QStringLiteral("finished")}));
}

void tst_label_renderer::labels_data() {
    QTest::addColumn<LabelJob>("job");
    QTest::addColumn<QStringList>("texts");  // printed, in order
    QTest::addColumn<int>("pictures");
    const QString title1 = QStringLiteral("ペリックス商店");
    const QString title2 = QStringLiteral("税込価格");
    const QString item = QStringLiteral("りんごジュース");
    const QString name = QStringLiteral("青森県産");
    const QString price = QStringLiteral("￥1,500");
    const QString jan = QStringLiteral("4  901234  567894");

    QTest::newRow("ordinary") << ordinary() << QStringList{title1, item, name, price, title2, jan}
                              << 1;
    // The text loop does not run: the document holds the header alone.
    QTest::newRow("empty value") << ordinary(QString()) << QStringList{title1} << 0;
    LabelJob c5255 = ordinary();
    c5255.title1.clear();
    c5255.title2.clear();
    QTest::newRow("C5255 layout: empty titles")
        << c5255 << QStringList{QString(), item, name, price, QString(), jan} << 1;
    QTest::newRow("12 characters: short last group")
        << ordinary(QStringLiteral("490123456789"))
        << QStringList{title1, item, name, price, title2, QStringLiteral("4  901234  56789")} << 1;
    LabelJob noBarcode = ordinary(QStringLiteral("4901234567890"));  // wrong check digit
    QTest::newRow("no barcode: none printed")
        << noBarcode
        << QStringList{title1, item, name, price, title2, QStringLiteral("4  901234  567890")} << 0;
}

void tst_label_renderer::labels() {
    QFETCH(LabelJob, job);
    QFETCH(QStringList, texts);
    QFETCH(int, pictures);
    test::RecordingSurface printer;
    QVERIFY(printing::Module1::print_label(job, run, printer));
    QCOMPARE(printedTexts(printer), texts);
    QCOMPARE(printer.count(Kind::Picture), pictures);
    QCOMPARE(printer.count(Kind::NewPage), 0);
    QCOMPARE(printer.count(Kind::Line), 1);
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    QCOMPARE(printer.ops.last().kind, Kind::EndDoc);
}

void tst_label_renderer::textLoopAlwaysEnds_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("pageWidth");
    QTest::addColumn<QStringList>("lines");  // what the loop prints of the value
    QTest::addColumn<double>("lineX");
    QTest::addColumn<QStringList>("marks");  // progress after each pass
    QTest::newRow("line break") << QStringLiteral("12\r\n34") << 210.0
                                << QStringList{QStringLiteral("12")} << 20.0
                                << QStringList{QStringLiteral("25")};
    // max_w 30: 7 characters of the header's 8-point text fit beside the 10 mm; the rest that
    // fits goes with the label block, which prints nothing of the value.
    QTest::newRow("wider than the line")
        << QStringLiteral("123456789012") << 40.0 << QStringList{QStringLiteral("1234567")} << 15.0
        << QStringList{QStringLiteral("25")};
    // max_w 2: not even one character fits; each is taken as a line of its own, one per pass.
    QTest::newRow("no character fits")
        << QStringLiteral("123") << 12.0
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")} << 15.0
        << QStringList{QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("25")};
}

void tst_label_renderer::textLoopAlwaysEnds() {
    QFETCH(QString, value);
    QFETCH(double, pageWidth);
    QFETCH(QStringList, lines);
    QFETCH(double, lineX);
    QFETCH(QStringList, marks);
    test::RecordingSurface printer;
    printer.pageMm = QSizeF(pageWidth, 297);
    int services = 0;
    run.service = [&] { ++services; };
    QVERIFY(printing::Module1::print_label(ordinary(value), run, printer));
    for (const QString& line : lines) {
        const auto hits = printer.printed(line);
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits.first().x, lineX);
        QCOMPARE(hits.first().size, 8.0);
    }
    QCOMPARE(printer.printed(QStringLiteral("りんごジュース")).size(), 1);
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    // Each pass yields once and reports its progress.
    QCOMPARE(services, marks.size());
    QCOMPARE(progress.events, QStringList{QStringLiteral("started")} + marks +
                                  QStringList{QStringLiteral("finished")});
}

void tst_label_renderer::newPageWhenTheTextStartsLow() {
    // On a page 30 mm high, line_h 3 gives 10 lines; the text starts at Y + line_h = 23, below
    // the last four lines (18 mm), so the loop turns the page and goes on at Y + 4 x line_h.
    const LabelJob job = ordinary(QStringLiteral("12\r\n34"));
    test::RecordingSurface printer;
    printer.pageMm = QSizeF(100, 30);
    QVERIFY(printing::Module1::print_label(job, run, printer));
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
    test::ScriptedPrinters printers;
    QVERIFY(printers.set(platform::PrinterProperty::PaperSize, platform::kUserDefinedPaper));
    QVERIFY(printers.setWidth(100 * 1440 / 25.4));
    QVERIFY(printers.setHeight(30 * 1440 / 25.4));
    QVERIFY(printing::Module1::print_label(job, run, printers));
    QCOMPARE(printers.printed.size(), 1);
    QCOMPARE(printers.printed.first().size(), 2);
}

void tst_label_renderer::cancel_data() {
    QTest::addColumn<bool>("atServicePoint");  // else: while the label block prints
    QTest::addColumn<int>("ended");
    QTest::addColumn<int>("killed");
    QTest::addColumn<int>("itemNames");
    // A press handled at the service point discards the whole label, header included.
    QTest::newRow("at the service point") << true << 0 << 1 << 0;
    // An ordinary label has one service point, before its block: a later press changes nothing.
    QTest::newRow("after the service point") << false << 1 << 0 << 1;
}

void tst_label_renderer::cancel() {
    QFETCH(bool, atServicePoint);
    QFETCH(int, ended);
    QFETCH(int, killed);
    QFETCH(int, itemNames);
    run.print_cancel = -1;  // a press during the previous label counts for nothing
    test::RecordingSurface printer;
    if (atServicePoint)
        run.service = [&] { run.print_cancel = -1; };
    else
        printer.onOp = [&](const test::RecordingSurface::Op& op) {
            if (op.kind == Kind::Picture) run.print_cancel = -1;
        };
    QVERIFY(printing::Module1::print_label(ordinary(), run, printer));
    QCOMPARE(printer.count(Kind::EndDoc), ended);
    QCOMPARE(printer.count(Kind::KillDoc), killed);
    QCOMPARE(printer.printed(QStringLiteral("りんごジュース")).size(), itemNames);
    QCOMPARE(run.print_cancel, std::int16_t(-1));

    // The next label starts with the flag cleared.
    run.service = [] {};
    printer.onOp = nullptr;
    test::RecordingSurface next;
    QVERIFY(printing::Module1::print_label(ordinary(), run, next));
    QCOMPARE(next.count(Kind::EndDoc), 1);
    QCOMPARE(run.print_cancel, std::int16_t(0));
}

void tst_label_renderer::cancelledLabelNeverReachesPrinter() {
    test::ScriptedPrinters printers;
    run.service = [&] { run.print_cancel = -1; };
    QVERIFY(printing::Module1::print_label(ordinary(), run, printers));
    QCOMPARE(printers.opened, 1);
    QCOMPARE(printers.discarded, 1);
    QVERIFY(printers.printed.isEmpty());

    run.service = [] {};
    QVERIFY(printing::Module1::print_label(ordinary(), run, printers));
    QCOMPARE(printers.printed.size(), 1);
    QCOMPARE(printers.printed.first().size(), 1);  // one page
}

void tst_label_renderer::failuresDiscardTheLabel_data() {
    QTest::addColumn<LabelJob>("job");
    QTest::addColumn<bool>("refuseDocuments");
    QTest::addColumn<ErrorKind>("kind");
    QTest::addColumn<QString>("message");
    LabelJob job = ordinary();
    job.originX = QStringLiteral("abc");
    QTest::newRow("origin") << job << false << ErrorKind::NotANumber
                            << QStringLiteral("印刷位置の調整値「abc」が数値ではありません。");
    job = ordinary();
    job.sizeAdjustment.clear();
    QTest::newRow("size adjustment")
        << job << false << ErrorKind::NotANumber
        << QStringLiteral("印刷位置の調整値「」が数値ではありません。");
    job = ordinary();
    job.originY = QStringLiteral("inf");
    QTest::newRow("origin not finite")
        << job << false << ErrorKind::NotANumber
        << QStringLiteral("印刷位置の調整値「inf」が数値ではありません。");
    job = ordinary();
    job.price = QStringLiteral("時価");
    QTest::newRow("price") << job << false << ErrorKind::NotANumber
                           << QStringLiteral("価格「時価」が数値ではありません。");
    job = ordinary();
    job.baseFont = font(1);  // "5" is 0.39 mm high: line_h rounds to 0
    QTest::newRow("base font too small")
        << job << false << ErrorKind::FontTooSmall
        << QStringLiteral(
               "基本フォント（ＭＳ Ｐゴシック 1ポイント）が小さすぎて行の高さを決められません。");
    QTest::newRow("document refused") << ordinary() << true << ErrorKind::DocumentFailed
                                      << QStringLiteral("プリンタが応答しません。");
}

void tst_label_renderer::failuresDiscardTheLabel() {
    QFETCH(LabelJob, job);
    QFETCH(bool, refuseDocuments);
    QFETCH(ErrorKind, kind);
    QFETCH(QString, message);
    test::ScriptedPrinters printers;
    printers.refuseDocuments = refuseDocuments;
    const Result r = printing::Module1::print_label(job, run, printers);
    QVERIFY(!r);
    QCOMPARE(r.kind, kind);
    QCOMPARE(r.message, message);
    QVERIFY(printers.printed.isEmpty());
    QCOMPARE(printers.discarded, printers.opened);
    QCOMPARE(progress.events.last(), QStringLiteral("finished"));
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
    const Result r = printing::Module1::print_label(ordinary(), run, printer);
    QVERIFY(!r);
    QCOMPARE(r.kind, ErrorKind::DocumentFailed);
    QCOMPARE(r.message, message);
    QCOMPARE(printer.count(Kind::EndDoc), 0);
    QCOMPARE(printer.ops.isEmpty(), refuseStart);
    QCOMPARE(progress.events.last(), QStringLiteral("finished"));
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
    QVERIFY(printing::Module1::print_label(ordinary(), run, printer));
    QCOMPARE(printer.printed(QStringLiteral("￥1,500")).size(), 1);
}

void tst_label_renderer::printRunLeavesClipboardAlone() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("レジで使う控え"));
    test::ScriptedPrinters printers;
    platform::PictureSlot slot;
    for (const QString& value :
         {QStringLiteral("4901234567894"), QStringLiteral("45678901"), QStringLiteral("x")}) {
        // The barcode comes through the in-process slot, as a run hands it over.
        platform::BarcodeCopy(QByteArray("JAN-") + value.toLatin1(), 5, 25, 1, slot);
        LabelJob job = ordinary(value);
        job.picture = slot.picture;
        QVERIFY(printing::Module1::print_label(job, run, printers));
    }
    QCOMPARE(clipboard->text(), QStringLiteral("レジで使う控え"));
    QVERIFY(!clipboard->mimeData()->hasImage());
    QCOMPARE(printers.printed.size(), 3);
}

QTEST_MAIN(tst_label_renderer)
#include "tst_label_renderer.moc"
