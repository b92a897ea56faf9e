// The record source over real workbooks: counts, records, the grid, cell texts, letter case,
// the database settings, and the query engine's refusals.
#include "datasource/DatabaseSettings.h"
#include "datasource/RecordCount.h"
#include "datasource/RecordSource.h"
#include "settings/SettingsFile.h"
#include "support/TestDoubles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellix;
using namespace pellix::datasource;
using pellix::test::testData;

Q_DECLARE_METATYPE(pellix::ErrorKind)

namespace {

QString sheetQuery(const QString& select, const QString& table) {
    return DatabaseSettings{QString(), table, select}.queryText();
}

// A record written as the four fields joined by "|", an empty cell as "-".
QString joined(const Record& r) {
    QStringList parts;
    for (const Field& f : r.fields) parts << (f ? *f : QStringLiteral("-"));
    return parts.join(QLatin1Char('|'));
}

QStringList allRecords(RecordSource& source) {
    QStringList out;
    while (!source.atEnd()) {
        out << joined(source.record());
        if (!source.moveNext()) break;
    }
    return out;
}

// For the rest of the scope, files are reached with the rights of an ordinary user, so that a file
// without read permission is unreadable even when the test runs as root. File access rights
// belong to the calling thread only; nothing else in the process is affected.
class OrdinaryUserFiles {
  public:
    OrdinaryUserFiles() {
        if (::geteuid() != 0) return;
        // The user and group "nobody" own nothing here.
        constexpr uid_t kNobody = 65534;
        constexpr gid_t kNoGroup = 65534;
        ::setfsgid(kNoGroup);
        ::setfsuid(kNobody);
        changed_ = true;
        active_ = ::setfsuid(uid_t(-1)) == int(kNobody) && ::setfsgid(gid_t(-1)) == int(kNoGroup);
    }
    ~OrdinaryUserFiles() {
        if (!changed_) return;
        ::setfsuid(0);
        ::setfsgid(0);
    }
    OrdinaryUserFiles(const OrdinaryUserFiles&) = delete;
    OrdinaryUserFiles& operator=(const OrdinaryUserFiles&) = delete;
    // False when running as root without the right to take another user's file access rights.
    bool active() const { return active_; }

  private:
    bool changed_ = false;
    bool active_ = true;
};

// True while the process holds a descriptor of the file at path.
bool fileHeldOpen(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target) return true;
    return false;
}

QByteArray sha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class tst_recordsource : public QObject {
    Q_OBJECT
  private slots:
    void counts_data();
    void counts();
    void emptyResultFailsTheCount();
    void halfWidthKanaColumns();
    void awkwardCellsRecordByRecord();
    void gridHasEveryColumnRecordTheFirstFour();
    void otherSheetsByName_data();
    void otherSheetsByName();
    void formulaResults();
    void cellTexts();
    void dates1904();
    void headerNamesAndLetterCase_data();
    void headerNamesAndLetterCase();
    void failures_data();
    void failures();
    void unusablePaths_data();
    void unusablePaths();
    void refusedQueriesWriteNothing_data();
    void refusedQueriesWriteNothing();
    void runawayQueryIsStopped();
    void settingsAndCount_data();
    void settingsAndCount();
    void workbookIsNotWritten();
};

void tst_recordsource::counts_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("query");
    QTest::addColumn<qint64>("rows");
    const QString std = QStringLiteral("select バーコード,品名,名称,価格 from ");
    QTest::newRow("sample") << "sample.xls" << sheetQuery(std, "sheet1") << qint64(20);
    QTest::newRow("rows120") << "rows120.xls" << sheetQuery(std, "sheet1") << qint64(120);
    QTest::newRow("rows301") << "rows301.xls" << sheetQuery(std, "sheet1") << qint64(301);
    QTest::newRow("star") << "rows301.xls" << sheetQuery("select * from ", "sheet1") << qint64(301);
    QTest::newRow("where") << "rows120.xls"
                           << sheetQuery("select * from ", "sheet1") + " where 価格 < 1000"
                           << qint64(49);
    // Formatted rows without values, between and below the data, are no records.
    QTest::newRow("formatted empty rows")
        << "formulas.xls" << sheetQuery("select * from ", "sheet1") << qint64(5);
}

void tst_recordsource::counts() {
    QFETCH(QString, file);
    QFETCH(QString, query);
    QFETCH(qint64, rows);
    RecordSource source;
    const Result open = source.open(testData(file), query);
    QVERIFY2(open.ok(), qPrintable(open.message));
    qint64 n = -1;
    QVERIFY(source.count(n).ok());
    QCOMPARE(n, rows);
    // The count leaves the source on its first row, and the forward pass sees every row.
    QCOMPARE(allRecords(source).size(), rows);
}

void tst_recordsource::emptyResultFailsTheCount() {
    RecordSource source;
    QVERIFY(source.open(testData("header-only.xls"), sheetQuery("select * from ", "sheet1")).ok());
    QVERIFY(source.atEnd());
    QCOMPARE(source.columnNames(), (QStringList{"バーコード", "品名", "名称", "価格"}));
    qint64 n = -1;
    const Result s = source.count(n);
    QVERIFY(!s.ok());
    QCOMPARE(s.kind, ErrorKind::NoRows);
    QCOMPARE(s.message, QStringLiteral("該当するデータがありません。"));

    RecordSource filtered;
    QVERIFY(filtered
                .open(testData("sample.xls"),
                      sheetQuery("select * from ", "sheet1") + " where 価格 < 0")
                .ok());
    QCOMPARE(filtered.count(n).kind, ErrorKind::NoRows);
}

void tst_recordsource::halfWidthKanaColumns() {
    RecordSource source;
    const Result s = source.open(testData("kana-columns.xls"),
                                 sheetQuery("select ﾊﾞｰｺｰﾄﾞ,品名,名称,売価 from ", "sheet1"));
    QVERIFY2(s.ok(), qPrintable(s.message));
    QCOMPARE(source.columnNames(), (QStringList{"ﾊﾞｰｺｰﾄﾞ", "品名", "名称", "売価"}));
    const QStringList records = allRecords(source);
    QCOMPARE(records.size(), 10);
    QCOMPARE(records.first(), QStringLiteral("4900012345600|文具|ボールペン 黒|150"));
    QCOMPARE(records.last(), QStringLiteral("4900012346232|衣料|靴下 25cm|1500"));
    // Width is not letter case: the full-width spelling is another column.
    RecordSource wide;
    QCOMPARE(
        wide.open(testData("kana-columns.xls"), sheetQuery("select バーコード from ", "sheet1"))
            .kind,
        ErrorKind::UnknownColumn);
}

void tst_recordsource::awkwardCellsRecordByRecord() {
    RecordSource source;
    QVERIFY(
        source.open(testData("awkward-cells.xls"), sheetQuery("select * from ", "sheet1")).ok());
    const QString longName = QStringLiteral("とても長い名称").repeated(12);
    const QStringList expected = {
        "4900012345600|文具|数値のバーコード|1500",    // barcode stored as a number
        "4900012345679|文具|文字列のバーコード|1500",  // barcode stored as text
        "490001234574|食品|12桁 (チェックデジットなし)|980",
        "4900012345816|食品|チェックデジット誤り|120",
        "-|日用品|バーコード空欄|300",
        "4900012345952|-|品名空欄|300",
        "4900012346027|家具|価格空欄|-",
        "4900012346096|家具|価格が文字|オープン価格",
        "4900012346164|玩具|価格が文字の数字|1500",
        "4900012346232|玩具|小数の価格|99.5",
        "4900012346300|衣料|マイナス価格|-200",
        "4900012346379|衣料|" + longName + "|3000",
        "4900012346447|雑貨|改行を\r\n含む名称|400",
        "4900012346515|雑貨|カンマ,と\"引用符\"|500",
        "49000123|雑貨|8桁|600",
        "4900012346652|ｶﾞｯｷ|半角ｶﾅの品名|700",
    };
    QCOMPARE(allRecords(source), expected);
}

void tst_recordsource::gridHasEveryColumnRecordTheFirstFour() {
    RecordSource source;
    QVERIFY(
        source.open(testData("awkward-cells.xls"), sheetQuery("select * from ", "sheet1")).ok());
    ResultTable grid;
    QVERIFY(source.readAll(grid).ok());
    QCOMPARE(grid.columns, (QStringList{"バーコード", "品名", "名称", "価格", "仕入先", "備考"}));
    QCOMPARE(grid.rows.size(), 16);
    QCOMPARE(grid.rows[0].size(), 6);
    QCOMPARE(grid.rows[0][4], Field(QStringLiteral("A社")));
    QCOMPARE(grid.rows[0][5], Field(QStringLiteral("number cell")));
    // After the grid has read everything the source stands on its first row again.
    QVERIFY(!source.atEnd());
    const Record first = source.record();
    QCOMPARE(joined(first), QStringLiteral("4900012345600|文具|数値のバーコード|1500"));

    // Fewer than four columns: the missing fields have no value.
    RecordSource narrow;
    QVERIFY(
        narrow.open(testData("awkward-cells.xls"), sheetQuery("select 名称, 備考 from ", "sheet1"))
            .ok());
    QCOMPARE(joined(narrow.record()), QStringLiteral("数値のバーコード|number cell|-|-"));
}

void tst_recordsource::otherSheetsByName_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<qint64>("rows");
    QTest::addColumn<QString>("first");
    QTest::newRow("在庫") << "在庫" << qint64(5) << "4900012345600|文具|ボールペン 黒 1|100";
    QTest::newRow("Sheet With Space")
        << "Sheet With Space" << qint64(3) << "4900012345600|文具|ボールペン 黒 1|100";
    QTest::newRow("other letter case")
        << "sheet with SPACE" << qint64(3) << "4900012345600|文具|ボールペン 黒 1|100";
}

void tst_recordsource::otherSheetsByName() {
    QFETCH(QString, table);
    QFETCH(qint64, rows);
    QFETCH(QString, first);
    RecordSource source;
    const Result s = source.open(testData("awkward-cells.xls"),
                                 sheetQuery("select バーコード,品名,名称,価格 from ", table));
    QVERIFY2(s.ok(), qPrintable(s.message));
    qint64 n = 0;
    QVERIFY(source.count(n).ok());
    QCOMPARE(n, rows);
    QCOMPARE(joined(source.record()), first);
}

void tst_recordsource::formulaResults() {
    RecordSource source;
    QVERIFY(source
                .open(testData("formulas.xls"),
                      sheetQuery("select バーコード,品名,価格,税込価格 from ", "sheet1"))
                .ok());
    const QStringList records = allRecords(source);
    QCOMPARE(records.size(), 5);
    QCOMPARE(records[0], QStringLiteral("4901234567894|文具|100|110"));
    QCOMPARE(records[1], QStringLiteral("4900012345679|食品|150|162"));
    QCOMPARE(records[2], QStringLiteral("4900012345747|日用品|#DIV/0!|33.3333333333333"));
    QCOMPARE(records[3], QStringLiteral("4900012345816|雑貨|500|550"));
    QCOMPARE(records[4], QStringLiteral("4900012345885|家具|9800|-"));

    // Results take part in the query like any value.
    RecordSource sum;
    QVERIFY(sum.open(testData("formulas.xls"),
                     sheetQuery("select sum(税込価格), max(名称), 備考 from ", "sheet1") +
                         " where 備考 = 'TRUE'")
                .ok());
    QCOMPARE(joined(sum.record()), QStringLiteral("162|緑茶|TRUE|-"));
}

void tst_recordsource::cellTexts() {
    // Run under the C locale (see the test's environment): the user's short date form is
    // then the Japanese one.
    RecordSource source;
    QVERIFY(source
                .open(testData("formulas.xls"),
                      sheetQuery("select 日付, 真偽, エラー, 数値 from ", "cells"))
                .ok());
    QCOMPARE(allRecords(source),
             (QStringList{
                 "2024/01/01|TRUE|#N/A|0.3", "2000/01/01|FALSE|#DIV/0!|100000000000000000000",
                 "1900/01/01|-|-|1234567.891", "11|22|33|44",
                 "-|-|-|-",  // a row with a value in another column
             }));
    RecordSource times;
    QVERIFY(times
                .open(testData("formulas.xls"),
                      sheetQuery("select 日時, 数値 * 2, 数値 / 4, 数値 from ", "cells") +
                          " where 日時 is not null")
                .ok());
    QCOMPARE(allRecords(times),
             (QStringList{
                 "2024/01/01 18:00|0.6|0.075|0.3",
                 "12:00|200000000000000000000|25000000000000000000|100000000000000000000",
                 "12345.678|2469135.782|308641.97275|1234567.891",
                 "66|88|11|44",
             }));
}

void tst_recordsource::dates1904() {
    RecordSource source;
    QVERIFY(source.open(testData("dates1904.xls"), sheetQuery("select 日付 from ", "cells")).ok());
    QCOMPARE(allRecords(source), (QStringList{"2028/01/02|-|-|-", "2004/01/02|-|-|-",
                                              "1904/01/02|-|-|-", "11|-|-|-", "-|-|-|-"}));
}

void tst_recordsource::headerNamesAndLetterCase_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("record");
    QTest::newRow("ASCII letter case")
        << sheetQuery("SELECT * FROM ", "SHEET1") << "4900012345600|文具|ボールペン 黒 1|100";
    QTest::newRow("full-width letter case")
        << sheetQuery("select ｊａｎ, f2, 価格, F4 from ", "ｗｉｄｅ")
        << "4900012345600|空の見出し|100|200";
    QTest::newRow("qualified") << sheetQuery("select [ｗｉｄｅ$].ｊａｎ from ", "Ｗｉｄｅ")
                               << "4900012345600|-|-|-";
    QTest::newRow("ideographic space")
        << sheetQuery("select　バーコード,品名,名称,価格　from　", "sheet1")
        << "4900012345600|文具|ボールペン 黒 1|100";
}

void tst_recordsource::headerNamesAndLetterCase() {
    QFETCH(QString, query);
    QFETCH(QString, record);
    const QString file = query.contains(QStringLiteral("ｗｉｄｅ"), Qt::CaseInsensitive)
                             ? "formulas.xls"
                             : "sample.xls";
    RecordSource source;
    const Result s = source.open(testData(file), query);
    QVERIFY2(s.ok(), qPrintable(s.message));
    QCOMPARE(joined(source.record()), record);
    if (file == QLatin1String("formulas.xls") && query.contains(QLatin1String("f2"))) {
        // The table starts at its first used row and column; an empty header cell and a repeated
        // name are named by position.
        RecordSource all;
        QVERIFY(all.open(testData(file), sheetQuery("select * from ", "Ｗｉｄｅ")).ok());
        QCOMPARE(all.columnNames(), (QStringList{"ＪＡＮ", "F2", "価格", "F4"}));
    }
}

void tst_recordsource::failures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("query");
    QTest::addColumn<ErrorKind>("kind");
    QTest::addColumn<QString>("description");
    QTest::newRow("not a workbook")
        << "not-a-workbook.xls" << sheetQuery("select * from ", "sheet1") << ErrorKind::NotWorkbook
        << "「not-a-workbook.xls」は読める形式のブックではありません。読めるのは Excel (.xls "
           ".xlsx)、OpenDocument (.ods)、CSV (.csv .txt) のファイルです。";
    QTest::newRow("truncated") << "truncated.xls" << sheetQuery("select * from ", "sheet1")
                               << ErrorKind::Corrupt
                               << "ブック「truncated.xls」は壊れているため読めません。";
    QTest::newRow("protected")
        << "protected.xls" << sheetQuery("select * from ", "sheet1") << ErrorKind::Protected
        << "ブック「protected."
           "xls」はパスワードで保護されているため読めません。保護を解除して保存し直してください。";
    QTest::newRow("unknown sheet")
        << "sample.xls" << sheetQuery("select * from ", "sheet2") << ErrorKind::SheetNotFound
        << "シート「sheet2」がブックにありません。";
    QTest::newRow("sheet name with a blank added")
        << "sample.xls" << sheetQuery("select * from ", "sheet1 ") << ErrorKind::SheetNotFound
        << "シート「sheet1 」がブックにありません。";
    QTest::newRow("unknown column")
        << "sample.xls" << sheetQuery("select バーコード,品番 from ", "sheet1")
        << ErrorKind::UnknownColumn << "列「品番」がシートにありません。";
    QTest::newRow("quoted unknown column")
        << "sample.xls" << sheetQuery("select \"品番\" from ", "sheet1") << ErrorKind::UnknownColumn
        << "列「品番」がシートにありません。";
    QTest::newRow("syntax") << "sample.xls" << sheetQuery("selec * from ", "sheet1")
                            << ErrorKind::Syntax
                            << "SQL構文が正しくありません（「selec」の付近）。";
    QTest::newRow("no from") << "sample.xls" << sheetQuery("select * ", "sheet1")
                             << ErrorKind::Syntax
                             << "SQL構文が正しくありません（「[sheet1$]」の付近）。";
}

void tst_recordsource::failures() {
    QFETCH(QString, file);
    QFETCH(QString, query);
    QFETCH(ErrorKind, kind);
    QFETCH(QString, description);
    RecordSource source;
    const Result s = source.open(testData(file), query);
    QVERIFY(!s.ok());
    QCOMPARE(s.kind, kind);
    QCOMPARE(s.message, description);
    QVERIFY(!source.isOpen());
    qint64 n = 0;
    QVERIFY(!source.count(n).ok());
}

void tst_recordsource::unusablePaths_data() {
    // %1 stands for a fresh temporary folder; the workbook path is %1/book.xls unless the row
    // names another.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("description");
    QTest::newRow("no such file")
        << ""
        << "%1/book.xls"
        << "ブック「%1/book.xls」を開けません。ファイルが見つかりません。";
    QTest::newRow("below a file")
        << "file"
        << "%1/book.xls/sheet.xls"
        << "ブック「%1/book.xls/sheet.xls」を開けません。ファイルが見つかりません。";
    QTest::newRow("folder")
        << "folder"
        << "%1/book.xls"
        << "ブック「%1/book.xls」を開けません。ファイルではなくフォルダーです。";
    QTest::newRow("unreadable file")
        << "unreadable"
        << "%1/book.xls"
        << "ブック「%1/book.xls」を開けません。ファイルを読む権限がありません。";
    QTest::newRow("folder that cannot be entered")
        << "closed folder"
        << "%1/closed/book.xls"
        << "ブック「%1/closed/book.xls」を開けません。フォルダーに入る権限がありません。";
    // Opening a FIFO for reading would wait for a writer that never comes.
    QTest::newRow("FIFO") << "fifo"
                          << "%1/book.xls"
                          << "ブック「%1/book.xls」を開けません。通常のファイルではありません。";
    QTest::newRow("empty path") << ""
                                << ""
                                << "ブックのパスが設定されていません。";
}

void tst_recordsource::unusablePaths() {
    QFETCH(QString, setup);
    QFETCH(QString, path);
    QFETCH(QString, description);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // An ordinary user must be able to reach the folder itself.
    QVERIFY(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    path.replace(QLatin1String("%1"), dir.path());
    description.replace(QLatin1String("%1"), dir.path());
    const QString book = dir.filePath(QStringLiteral("book.xls"));
    const QString closed = dir.filePath(QStringLiteral("closed"));
    // The folder is opened again so that it can be removed with everything in it.
    const auto reopen = qScopeGuard([&] {
        QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (setup == QLatin1String("file") || setup == QLatin1String("unreadable")) {
        QVERIFY(QFile::copy(testData("sample.xls"), book));
        if (setup == QLatin1String("unreadable"))
            QVERIFY(QFile::setPermissions(book, QFileDevice::Permissions()));
    } else if (setup == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("book.xls")));
    } else if (setup == QLatin1String("closed folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("closed")));
        QVERIFY(QFile::copy(testData("sample.xls"), closed + QStringLiteral("/book.xls")));
        QVERIFY(QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner));
    } else if (setup == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(book).constData(), 0644), 0);
    }

    Result s;
    RecordSource source;
    {
        const OrdinaryUserFiles asUser;
        if (!asUser.active() &&
            (setup == QLatin1String("unreadable") || setup == QLatin1String("closed folder")))
            QSKIP(
                "Running as root without the right to take an ordinary user's file access "
                "rights: root reads every file and enters every folder.");
        s = source.open(path, sheetQuery("select * from ", "sheet1"));
    }
    QVERIFY(!s.ok());
    QCOMPARE(s.kind, ErrorKind::PathUnusable);
    QCOMPARE(s.message, description);
    QVERIFY(!source.isOpen());
}

void tst_recordsource::refusedQueriesWriteNothing_data() {
    QTest::addColumn<QString>("kensaku");
    QTest::addColumn<ErrorKind>("kind");
    // %1 stands for a file in an empty temporary folder.
    QTest::newRow("second statement")
        << "select * from [sheet1$]; drop table " << ErrorKind::Refused;
    QTest::newRow("second statement after a comment")
        << "select * from [sheet1$] /* x */ ; select * from " << ErrorKind::Refused;
    QTest::newRow("attach") << "attach database '%1' as " << ErrorKind::Refused;
    QTest::newRow("attach as second statement")
        << "select 1; attach database '%1' as x; select * from " << ErrorKind::Refused;
    QTest::newRow("vacuum into") << "select * from [sheet1$]; vacuum into '%1'; select * from "
                                 << ErrorKind::Refused;
    QTest::newRow("pragma") << "pragma writable_schema = 1; select * from " << ErrorKind::Refused;
    QTest::newRow("insert") << "insert into [sheet1$] select * from " << ErrorKind::Refused;
    QTest::newRow("create table") << "create table t as select * from " << ErrorKind::Refused;
    QTest::newRow("extension") << "select load_extension('%1') from " << ErrorKind::Refused;
    QTest::newRow("schema table") << "select * from sqlite_master, " << ErrorKind::Refused;
}

void tst_recordsource::refusedQueriesWriteNothing() {
    QFETCH(QString, kensaku);
    QFETCH(ErrorKind, kind);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("written.db"));
    RecordSource source;
    const Result s = source.open(testData("sample.xls"),
                                 sheetQuery(QString(kensaku).replace("%1", target), "sheet1"));
    QVERIFY(!s.ok());
    QCOMPARE(s.kind, kind);
    QVERIFY(!s.message.isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty());
    // A comment after the one statement is not a second statement.
    QVERIFY(source.open(testData("sample.xls"), sheetQuery("select * from ", "sheet1") + " -- 以上")
                .ok());
}

void tst_recordsource::runawayQueryIsStopped() {
    RecordSource::Options options;
    options.timeLimitMs = 200;
    RecordSource source;
    const QString endless = QStringLiteral(
        "with recursive c(x) as (select 1 union all select x + 1 from c) select x from c, ");
    // Opening looks for the first row, which never comes.
    const Result s = source.open(testData("sample.xls"),
                                 sheetQuery(endless, "sheet1") + " where x < 0", options);
    QCOMPARE(s.kind, ErrorKind::Interrupted);
    QCOMPARE(s.message, QStringLiteral("SQL文の実行に時間がかかりすぎるため中止しました。"));
}

void tst_recordsource::settingsAndCount_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("rows");
    QTest::addColumn<ErrorKind>("kind");
    const auto record = [](const QString& db, const QString& table, const QString& kensaku) {
        return test::settingsFile(settings::databaseHeader(), {db, table, kensaku});
    };
    const QString rows120 = testData("rows120.xls");
    QTest::newRow("as the dialog writes it")
        << record(rows120, "sheet1", "select * from ") << qint64(120) << ErrorKind::None;
    QTest::newRow("KENSAKU without its trailing blank")
        << record(rows120, "sheet1", "select * from") << qint64(120) << ErrorKind::None;
    QTest::newRow("header only") << test::settingsFile(settings::databaseHeader()) << qint64(0)
                                 << ErrorKind::SettingsRead;
    QTest::newRow("missing workbook") << record(testData("gone.xls"), "sheet1", "select * from ")
                                      << qint64(0) << ErrorKind::PathUnusable;
}

void tst_recordsource::settingsAndCount() {
    QFETCH(QByteArray, file);
    QFETCH(qint64, rows);
    QFETCH(ErrorKind, kind);
    test::TempConfigHome home;
    home.writeFile(settings::kDatabaseFile, file);
    DatabaseSettings settings;
    Result s = DatabaseSettings::read(settings);
    if (s.ok()) {
        QCOMPARE(settings.queryText(), settings.kensaku + "[" + settings.table + "$]");
        qint64 n = 0;
        s = countRecords(settings, n);
        QCOMPARE(n, rows);
    }
    QCOMPARE(s.kind, kind);
    QCOMPARE(s.ok(), kind == ErrorKind::None);
}

void tst_recordsource::workbookIsNotWritten() {
    QTemporaryDir dir;
    const QString fixture = testData("awkward-cells.xls");
    const QString book = dir.filePath(QStringLiteral("book.xls"));
    QVERIFY(QFile::copy(fixture, book));
    // Writable, so that nothing but the reader itself keeps a write from happening; dated in the
    // past, so that a write in the same instant as the copy still shows in the time.
    QVERIFY(QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner));
    const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    {
        QFile f(book);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.setFileTime(past, QFileDevice::FileModificationTime));
    }
    const QByteArray untouched = sha256(fixture);
    QVERIFY(!untouched.isEmpty());
    QCOMPARE(sha256(book), untouched);
    // Read now: a file information object looks at the file only when first asked.
    const QFileInfo info(book);
    const qint64 size = info.size();
    const QDateTime changed = info.metadataChangeTime();
    const QFileDevice::Permissions permissions = info.permissions();

    {
        RecordSource source;
        QVERIFY(source.open(book, sheetQuery("select * from ", "sheet1")).ok());
        // The file is read and closed before open returns: nothing holds or locks it.
        QVERIFY(!fileHeldOpen(book));
        qint64 rows = 0;
        QVERIFY(source.count(rows).ok());
        QCOMPARE(rows, 16);
        QCOMPARE(allRecords(source).size(), 16);
        ResultTable grid;
        QVERIFY(source.readAll(grid).ok());
        QCOMPARE(grid.rows.size(), 16);
        source.close();
    }

    const QFileInfo after(book);
    QCOMPARE(sha256(book), untouched);
    QCOMPARE(after.size(), size);
    QCOMPARE(after.lastModified().toUTC(), past);
    QCOMPARE(after.metadataChangeTime(), changed);
    QCOMPARE(after.permissions(), permissions);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"book.xls"});
}

QTEST_GUILESS_MAIN(tst_recordsource)
#include "tst_recordsource.moc"
