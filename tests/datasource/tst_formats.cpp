// Workbooks in the formats beside Excel 97-2003: .xlsx and .ods written by a spreadsheet
// program, and separated text. The same query over a .xls fixture and over its conversions
// gives the same records; text files in their encodings, separators and quoting; refusals.
#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"
#include "support/TestDoubles.h"

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
    const Result opened =
        source.open(path, QStringLiteral("select * from [%1$]").arg(sheet));
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
            QCOMPARE(table(other, sheet), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
