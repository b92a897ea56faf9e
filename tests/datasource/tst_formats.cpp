// Workbooks in the formats beside Excel 97-2003: .xlsx and .ods written by a spreadsheet
// program, and separated text. The same query over a .xls fixture and over its conversions
// gives the same records; text files in their encodings, separators and quoting; refusals.
#include "FuzzWorkbook.h"
#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"
#include "support/TestDoubles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace pellix;
using namespace pellix::datasource;
using pellix::test::testData;

Q_DECLARE_METATYPE(pellix::ErrorKind)

namespace {

// Every row of the query's result, the fields joined by "|", an empty cell as "-"; the column
// names first.
QStringList table(const QString& path, const QString& sheet) {
    RecordSource source;
    const Result opened = source.open(path, QStringLiteral("select * from [%1$]").arg(sheet));
    if (!opened) return {QStringLiteral("failed: ") + opened.message};
    ResultTable t;
    const Result read = source.readAll(t);
    if (!read) return {QStringLiteral("failed: ") + read.message};
    QStringList out{t.columns.join(QLatin1Char('|'))};
    for (const auto& row : t.rows) {
        QStringList parts;
        for (const Field& f : row) parts << (f ? *f : QStringLiteral("-"));
        out << parts.join(QLatin1Char('|'));
    }
    return out;
}

// What the converting program changes on the way. A line break in a text is stored as LF where
// the .xls holds CR LF. Boolean formula results are stored as the numbers 1 and 0: in an .ods
// all of them, in an .xlsx the result of the comparison in the last column of the first sheet
// (=D3>100).
enum class Booleans { Kept, LastColumnAsNumbers, AllAsNumbers };
QStringList asConverted(QStringList rows, Booleans booleans) {
    for (QString& row : rows) {
        QStringList fields = row.split(QLatin1Char('|'));
        for (qsizetype i = 0; i < fields.size(); ++i) {
            QString& f = fields[i];
            f.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            const bool asNumber =
                booleans == Booleans::AllAsNumbers ||
                (booleans == Booleans::LastColumnAsNumbers && fields.size() == 6 && i == 5);
            if (asNumber && f == QLatin1String("TRUE")) f = QStringLiteral("1");
            if (asNumber && f == QLatin1String("FALSE")) f = QStringLiteral("0");
        }
        row = fields.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList sheetsOf(const QString& path) {
    Workbook book;
    if (const Result r = book.openFile(path); !r) return {r.message};
    return book.sheetNames();
}

}  // namespace

class TestFormats : public QObject {
    Q_OBJECT

  private slots:
    // Each sheet of the .xlsx and .ods conversion reads as the same sheet of the .xls does,
    // formula results, dates and texts included.
    void sameRecordsAsXls_data() {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("suffix");
        for (const char* book :
             {"sample", "formulas", "dates1904", "awkward-cells", "kana-columns", "plain-cells"})
            for (const char* suffix : {"xlsx", "ods"})
                QTest::addRow("%s.%s", book, suffix)
                    << QString::fromLatin1(book) << QString::fromLatin1(suffix);
    }
    void sameRecordsAsXls() {
        QFETCH(QString, book);
        QFETCH(QString, suffix);
        const QString xls = testData(book + QStringLiteral(".xls"));
        const QString other = testData(book + QLatin1Char('.') + suffix);
        const QStringList sheets = sheetsOf(xls);
        QVERIFY(!sheets.isEmpty());
        QCOMPARE(sheetsOf(other), sheets);
        for (const QString& sheet : sheets) {
            const QStringList expected = table(xls, sheet);
            QVERIFY2(!expected.first().startsWith(QLatin1String("failed")),
                     qPrintable(expected.first()));
            const Booleans booleans = suffix == QLatin1String("ods") ? Booleans::AllAsNumbers
                                      : sheet == sheets.first()      ? Booleans::LastColumnAsNumbers
                                                                     : Booleans::Kept;
            QCOMPARE(table(other, sheet), asConverted(expected, booleans));
        }
    }

    // The first sheet as text, written as shown, reads as the .xls does.
    void csvSameRecordsAsXls_data() {
        QTest::addColumn<QString>("book");
        for (const char* book : {"sample", "formulas", "awkward-cells", "kana-columns"})
            QTest::newRow(book) << QString::fromLatin1(book);
    }
    void csvSameRecordsAsXls() {
        QFETCH(QString, book);
        const QString xls = testData(book + QStringLiteral(".xls"));
        const QString sheet = sheetsOf(xls).value(0);
        QCOMPARE(table(testData(book + QStringLiteral(".csv")), sheet),
                 asConverted(table(xls, sheet), Booleans::LastColumnAsNumbers));
    }

    // Text in each encoding and separator reads to the same records: codes with all their
    // digits, a leading zero kept, a ragged row, texts as written.
    void csvVariants_data() {
        QTest::addColumn<QString>("file");
        for (const char* file : {"csv-utf8.csv", "csv-bom.csv", "csv-cp932.csv", "csv-tab.txt"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void csvVariants() {
        QFETCH(QString, file);
        const QStringList expected{
            QStringLiteral("バーコード|品名|名称|価格"),
            QStringLiteral("4901234567894|文具|ボールペン 黒|150"),
            QStringLiteral("0012345678905|食品|先頭がゼロの JAN|98"),
            QStringLiteral("4912345678904|日用品|価格が小数|1.50"),
            QStringLiteral("4923456789014|家具|行が短い|-"),
        };
        // The sheet name of the settings is not needed: any name reaches the one sheet.
        QCOMPARE(table(testData(file), QStringLiteral("sheet1")), expected);
        QCOMPARE(sheetsOf(testData(file)), QStringList{QFileInfo(file).completeBaseName()});
    }

    // Quoted fields keep their separators, doubled quotes and line breaks.
    void csvQuoted() {
        QCOMPARE(table(testData(QStringLiteral("csv-quoted.csv")), QStringLiteral("csv-quoted")),
                 (QStringList{QStringLiteral("バーコード|品名|名称|価格"),
                              QStringLiteral("4901234567894|文具|改行を\r\n含む名称|400"),
                              QStringLiteral("4912345678904|雑貨|カンマ,と\"引用符\"|500")}));
    }

    // Files that cannot be read are refused with the reason; nothing of them is taken.
    void refused_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<ErrorKind>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty text") << "empty.csv" << ErrorKind::Corrupt
                                    << QStringLiteral("「empty.csv」は空のため読めません。");
        QTest::newRow("encrypted xlsx")
            << "encrypted.xlsx" << ErrorKind::Protected
            << QStringLiteral(
                   "ブック「encrypted.xlsx」はパスワードで保護されているため読めません。"
                   "保護を解除して保存し直してください。");
        QTest::newRow("truncated xlsx")
            << "truncated.xlsx" << ErrorKind::Corrupt
            << QStringLiteral("ブック「truncated.xlsx」は壊れているため読めません。");
        QTest::newRow("truncated ods")
            << "truncated.ods" << ErrorKind::Corrupt
            << QStringLiteral("ブック「truncated.ods」は壊れているため読めません。");
        QTest::newRow("repeated cells")
            << "repeated-cells.ods" << ErrorKind::Corrupt
            << QStringLiteral(
                   "ブック「repeated-cells.ods」は値のあるセルが多すぎるため読めません。");
        QTest::newRow("unpacks too big")
            << "unpacks-too-big.xlsx" << ErrorKind::Corrupt
            << QStringLiteral(
                   "ブック「unpacks-too-big.xlsx」は展開すると大きすぎるため読めません。");
    }
    void refused() {
        QFETCH(QString, file);
        QFETCH(ErrorKind, kind);
        QFETCH(QString, message);
        Workbook book;
        const Result r = book.openFile(testData(file));
        QCOMPARE(r.kind, kind);
        QCOMPARE(r.message, message);
        QVERIFY(book.sheetNames().isEmpty());
    }

    // The format is told by the content: an .xlsx named .xls, an .ods named .xlsx read as what
    // they are; a ZIP of something else is no workbook.
    void formatByContent_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx named xls") << "sample.xlsx"
                                        << "renamed.xls";
        QTest::newRow("ods named xlsx") << "sample.ods"
                                        << "renamed.xlsx";
        QTest::newRow("xls named ods") << "sample.xls"
                                       << "renamed.ods";
    }
    void formatByContent() {
        QFETCH(QString, source);
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::copy(testData(source), dir.filePath(name)));
        QCOMPARE(table(dir.filePath(name), QStringLiteral("sheet1")),
                 table(testData(QStringLiteral("sample.xls")), QStringLiteral("sheet1")));
    }

    void zipOfSomethingElse() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A ZIP container is read as a workbook only when it holds one.
        QFile::copy(testData(QStringLiteral("sample.xlsx")),
                    dir.filePath(QStringLiteral("a.xlsx")));
        QByteArray bytes;
        {
            QFile f(dir.filePath(QStringLiteral("a.xlsx")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            bytes = f.readAll();
        }
        // The workbook part renamed: the container holds no workbook any more.
        bytes.replace("xl/workbook.xml", "xl/workbook.xmX");
        Workbook book;
        const Result r = book.openBytes(bytes, QStringLiteral("a.xlsx"));
        QCOMPARE(r.kind, ErrorKind::NotWorkbook);
    }

    // An .xlsx of another writer: inline texts, the 1904 date system, Boolean cells, the
    // worksheet part named by an absolute path.
    void xlsxFromAnotherWriter() {
        QCOMPARE(
            table(testData(QStringLiteral("dates1904-openpyxl.xlsx")), QStringLiteral("sheet1")),
            (QStringList{QStringLiteral("バーコード|品名|名称|価格|日付|在庫"),
                         QStringLiteral("4901234567894|文具|ペン|150|2024/03/15|TRUE"),
                         QStringLiteral("4912345678904|食品|お茶|98|1999/12/31 13:30|FALSE")}));
    }

    // Files and worksheet parts that once broke the readers are read to their end or refused,
    // without a crash or a huge allocation (the sanitizer build watches every byte read).
    void fuzzFindings_data() {
        QTest::addColumn<QString>("path");
        for (const char* kind : {"sheetxml", "package"}) {
            const QDir dir(QStringLiteral(PELLIX_FUZZ_REGRESSIONS "/") + QLatin1String(kind));
            const QStringList files = dir.entryList(QDir::Files);
            QVERIFY(!files.isEmpty());
            for (const QString& f : files)
                QTest::addRow("%s/%s", kind, qPrintable(f)) << dir.filePath(f);
        }
    }
    void fuzzFindings() {
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.isEmpty());
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        if (path.contains(QLatin1String("/package/")))
            fuzz::readWorkbook(data, std::size_t(bytes.size()), "fuzz.xlsx");
        else
            fuzz::readSheetPart(data + 1, std::size_t(bytes.size() - 1), (data[0] & 1) == 0);
    }

    // A number field compares as a number, as the cell of a .xls does ("98" < 100); a field
    // kept as text ("1.50") does not.
    void csvNumbersCompareAsNumbers() {
        RecordSource source;
        QVERIFY(source.open(testData(QStringLiteral("csv-utf8.csv")),
                            QStringLiteral("select バーコード from [x$] where 価格 < 100")));
        qint64 rows = 0;
        QVERIFY(source.count(rows));
        QCOMPARE(rows, 1);
        QCOMPARE(source.value(0), Field(QStringLiteral("0012345678905")));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
