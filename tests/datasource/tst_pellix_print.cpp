// pellix-print run as a program, with a settings folder of the test's own.
#include "settings/SettingsFile.h"
#include "support/TestDoubles.h"

#include <QProcess>
#include <QtTest>

using namespace pellix;
using pellix::test::testData;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(PELLIX_PRINT_EXE), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class tst_pellix_print : public QObject {
    Q_OBJECT
  private slots:
    void countAndRows();
    void everyFormat_data();
    void everyFormat();
    void failures_data();
    void failures();
    void help();
    void printers();
};

void tst_pellix_print::countAndRows() {
    test::TempConfigHome home;
    home.writeFile(settings::kDatabaseFile,
                   test::settingsFile(settings::databaseHeader(),
                                      {testData("awkward-cells.xls"), "sheet1", "select * from "}));
    const Run count = run({"count"});
    QCOMPARE(count.exitCode, 0);
    QCOMPARE(count.out, QStringLiteral("16\n"));
    QCOMPARE(count.err, QString());

    const Run rows = run({"rows"});
    QCOMPARE(rows.exitCode, 0);
    const QStringList lines = rows.out.split('\n');
    QCOMPARE(lines.size(), 17);  // 16 records and the end of the last line
    QCOMPARE(lines[0], QStringLiteral("4900012345600\t文具\t数値のバーコード\t1500"));
    QCOMPARE(lines[4], QStringLiteral("\t日用品\tバーコード空欄\t300"));
    QCOMPARE(lines[6], QStringLiteral("4900012346027\t家具\t価格空欄\t"));
    QCOMPARE(lines[12], QStringLiteral("4900012346447\t雑貨\t改行を\\r\\n含む名称\t400"));
}

void tst_pellix_print::everyFormat_data() {
    QTest::addColumn<QString>("book");
    for (const char* book : {"awkward-cells.xlsx", "awkward-cells.ods", "awkward-cells.csv"})
        QTest::newRow(book) << QString::fromLatin1(book);
}

// count and rows read a workbook of every format as they read the .xls it was converted from
// (its converter stores line breaks as LF).
void tst_pellix_print::everyFormat() {
    QFETCH(QString, book);
    const auto both = [](const QString& db) {
        test::TempConfigHome home;
        home.writeFile(
            settings::kDatabaseFile,
            test::settingsFile(settings::databaseHeader(), {db, "sheet1", "select * from "}));
        return std::pair{run({"count"}), run({"rows"})};
    };
    const auto [xlsCount, xlsRows] = both(testData("awkward-cells.xls"));
    const auto [count, rows] = both(testData(book));
    QCOMPARE(count.exitCode, 0);
    QCOMPARE(count.out, xlsCount.out);
    QCOMPARE(rows.exitCode, 0);
    QCOMPARE(rows.err, QString());
    QCOMPARE(rows.out, QString(xlsRows.out).replace(QLatin1String("\\r\\n"), QLatin1String("\\n")));
}

void tst_pellix_print::failures_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("cause");
    const auto record = [](const QString& db, const QString& kensaku) {
        return test::settingsFile(settings::databaseHeader(), {db, "sheet1", kensaku});
    };
    QTest::newRow("missing workbook")
        << record(testData("gone.xls"), "select * from ")
        << QStringLiteral("ブック「%1」を開けません。ファイルが見つかりません。")
               .arg(testData("gone.xls"));
    QTest::newRow("no rows") << record(testData("header-only.xls"), "select * from ")
                             << "該当するデータがありません。";
    QTest::newRow("second statement")
        << record(testData("sample.xls"), "select 1; select * from ")
        << "SQL文が二つ以上あります。実行できるのは、シートを読む SELECT 文一つだけです。";
}

void tst_pellix_print::failures() {
    QFETCH(QByteArray, file);
    QFETCH(QString, cause);
    test::TempConfigHome home;
    home.writeFile(settings::kDatabaseFile, file);
    const Run count = run({"count"});
    QCOMPARE(count.exitCode, 1);
    QCOMPARE(count.out, QString());
    QCOMPARE(
        count.err,
        QStringLiteral(
            "ERROR: DBの設定が不正です。設定し直して下さい[設定]-[ﾃﾞｰﾀﾍﾞｰｽ]より設定できます。\n") +
            cause + "\n");
}

void tst_pellix_print::help() {
    const Run r = run({"--help"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("使い方: pellix-print <コマンド>")));
    QVERIFY(r.out.contains(QStringLiteral("Usage: pellix-print <command>")));
    QVERIFY(r.out.contains(QStringLiteral("count")) && r.out.contains(QStringLiteral("rows")) &&
            r.out.contains(QStringLiteral("printers")));
    const Run unknown = run({"frobnicate"});
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.err.contains(QStringLiteral("frobnicate")));
}

void tst_pellix_print::printers() {
    const Run r = run({"printers"});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    // The built-in PDF printer comes last, with the user-defined paper code among its codes; one
    // printer, and only one, is marked as the application printer.
    QVERIFY2(lines.last().mid(1).startsWith(QStringLiteral(" Pellix PDF\t")), qPrintable(r.out));
    QVERIFY(lines.last().section(QLatin1Char('\t'), 1).split(QLatin1Char(',')).contains("256"));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\* "))).size(), 1);
}

QTEST_GUILESS_MAIN(tst_pellix_print)
#include "tst_pellix_print.moc"
