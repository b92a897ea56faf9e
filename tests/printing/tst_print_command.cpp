// pellix-print all and range run as programs over real workbooks, printing to "Pellix PDF" in a
// folder of the test's own: what they report, how they end, and what the labels hold, read back
// with poppler and zbar.
#include "platform/PrinterSystem.h"
#include "platform/Regional.h"
#include "printing/Module1.h"
#include "settings/SettingsFile.h"
#include "support/TestDoubles.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace pellix;
using pellix::test::testData;

namespace {

struct Run {
    int exitCode = -1;
    QStringList out;  // lines
    QString err;
};

struct Word {
    QString text;
    double xMm = 0;
    double yMm = 0;
};

QString tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Words of the first page with their top left corners in millimetres.
QList<Word> words(const QString& pdf) {
    const QString html = tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"});
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    QList<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out << Word{m.captured(3).normalized(QString::NormalizationForm_KC),
                    m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72};
    }
    return out;
}

}  // namespace

class tst_print_command : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyLabelOfTheRun();
    void endings_data();
    void endings();
    void unknownPrinter();

  private:
    Run run(const QStringList& args) const;
    void useWorkbook(const QString& file, const QString& sheet = QStringLiteral("Sheet1"));
    QStringList labels() const {
        return QDir(out->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<QTemporaryDir> out;
};

void tst_print_command::initTestCase() {
    for (const char* t : {"pdftotext", "pdftoppm", "zbarimg"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(t)).isEmpty(), t);
}

void tst_print_command::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    out = std::make_unique<QTemporaryDir>();
    // The label origin at 10 mm, 20 mm, no size adjustment.
    QStringList positions;
    QVERIFY(settings::readValueRecord(home->settingsDir() + u'/' + settings::kPositionFile,
                                      settings::kPositionFields, positions));
    positions[2] = QStringLiteral("10");
    positions[3] = QStringLiteral("20");
    positions[4] = QStringLiteral("0");
    home->writeFile(settings::kPositionFile,
                    test::settingsFile(settings::positionHeader(), positions));
}

void tst_print_command::cleanup() {
    out.reset();
    home.reset();
}

Run tst_print_command::run(const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(platform::kPdfDirVariable), out->path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PELLIX_PRINT_EXE), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}

void tst_print_command::useWorkbook(const QString& file, const QString& sheet) {
    home->writeFile(settings::kDatabaseFile,
                    test::settingsFile(settings::databaseHeader(),
                                       {testData(file), sheet, QStringLiteral("select * from ")}));
}

void tst_print_command::everyLabelOfTheRun() {
    useWorkbook(QStringLiteral("sample.xls"));
    const Run rows = run({"rows"});
    QCOMPARE(rows.out.size(), 20);

    const Run r = run({"all", "--printer", "Pellix PDF"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(u"処理終了: 印刷終了。ﾃﾞｰﾀﾍﾞｰｽと接続解除しました。"),
             qPrintable(r.err));
    QCOMPARE(r.out.size(), 20);
    const QStringList files = labels();
    QCOMPARE(files.size(), 20);

    for (int i = 0; i < 20; ++i) {
        const QStringList record = rows.out[i].split(u'\t');
        QCOMPARE(r.out[i], QStringLiteral("%1\t%2").arg(i + 1).arg(record[0]));
        const QString pdf = out->path() + u'/' + files[i];

        // The barcode decodes from a raster at a printer's resolution.
        const QString png = out->path() + QStringLiteral("/page");
        tool(QStringLiteral("pdftoppm"), {"-r", "300", "-png", "-singlefile", pdf, png});
        QCOMPARE(tool(QStringLiteral("zbarimg"), {"-q", png + QStringLiteral(".png")}).trimmed(),
                 QStringLiteral("EAN-13:") + record[0]);

        // The texts stand where the renderer puts them, from the origin (10, 20).
        const QString price =
            *printing::Module1::formatPrice(record[3], platform::regionalLocale());
        struct Expected {
            QString text;
            double x;
            double y;
        };
        const QList<Expected> expected = {
            {record[1], 13, 24},  // item name (one word in the sample)
            {price.normalized(QString::NormalizationForm_KC), 23, 29.7},
            {QStringLiteral("税込価格"), 11, 31},
            {record[0].left(1), 14, 41},  // first digit of the JAN text
        };
        const QList<Word> found = words(pdf);
        for (const Expected& e : expected) {
            bool seen = false;
            for (const Word& w : found)
                seen = seen ||
                       (w.text == e.text && qAbs(w.xMm - e.x) <= 0.5 && qAbs(w.yMm - e.y) <= 0.5);
            QVERIFY2(seen, qPrintable(QStringLiteral("label %1: %2 at (%3, %4)")
                                          .arg(i + 1)
                                          .arg(e.text)
                                          .arg(e.x)
                                          .arg(e.y)));
        }
    }
}

void tst_print_command::endings_data() {
    QTest::addColumn<QString>("workbook");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("rowsPrinted");  // the row numbers reported, first and last
    QTest::addColumn<QString>("message");          // on standard error

    const QString end = QStringLiteral("処理終了: 印刷終了。ﾃﾞｰﾀﾍﾞｰｽと接続解除しました。");
    QTest::newRow("range 3 to 5") << "sample.xls"
                                  << "Sheet1" << QStringList{"range", "3", "5"} << 0
                                  << QStringList{"3\t4900012345747", "5\t4900012345884"} << end;
    QTest::newRow("range reversed")
        << "sample.xls"
        << "Sheet1" << QStringList{"range", "5", "3"} << 0 << QStringList{} << end;
    QTest::newRow("range bound not a whole number")
        << "sample.xls"
        << "Sheet1" << QStringList{"range", "3", "5.5"} << 1 << QStringList{}
        << QStringLiteral("ERROR: 行数が無効です");
    QTest::newRow("allowance") << "rows301.xls"
                               << "Sheet1" << QStringList{"all"} << 3 << QStringList{"1\t", "300\t"}
                               << QStringLiteral("今回印刷したラベル: 300枚");
    QTest::newRow("text price") << "awkward-cells.xls"
                                << "sheet1" << QStringList{"all"} << 1
                                << QStringList{"1\t4900012345600", "7\t4900012346027"}
                                << QStringLiteral("8行目のラベルを印刷できませんでした");
}

void tst_print_command::endings() {
    QFETCH(QString, workbook);
    QFETCH(QString, sheet);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, rowsPrinted);
    QFETCH(QString, message);
    useWorkbook(workbook, sheet);
    args << QStringLiteral("--printer") << QStringLiteral("Pellix PDF");
    const Run r = run(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (rowsPrinted.isEmpty()) {
        QCOMPARE(r.out, QStringList());
    } else {
        QVERIFY(r.out.first().startsWith(rowsPrinted.first()));
        QVERIFY(r.out.last().startsWith(rowsPrinted.last()));
        const int first = rowsPrinted.first().section(u'\t', 0, 0).toInt();
        const int last = rowsPrinted.last().section(u'\t', 0, 0).toInt();
        QCOMPARE(r.out.size(), last - first + 1);
    }
    QCOMPARE(labels().size(), r.out.size());
}

void tst_print_command::unknownPrinter() {
    useWorkbook(QStringLiteral("sample.xls"));
    const Run r = run({"all", "--printer", "No Such Queue"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(u"「No Such Queue」") && r.err.contains(u"Pellix PDF"),
             qPrintable(r.err));
    QCOMPARE(labels(), QStringList());
}

QTEST_GUILESS_MAIN(tst_print_command)
#include "tst_print_command.moc"
