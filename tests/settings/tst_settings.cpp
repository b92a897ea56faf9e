#include "settings/SettingsFile.h"
#include "support/TestDoubles.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <optional>

#include <unistd.h>

using namespace pellix;
using namespace pellix::settings;
using pellix::test::crlf;

namespace {
// Ways in which a save cannot replace the file.
enum class SaveFault { NoFolder, NotEncodable, WriteFails, ReadOnlyFolder };
}  // namespace

class tst_settings : public QObject {
    Q_OBJECT
  private slots:
    void recordBytes_data();
    void recordBytes();
    void saveReplacesWholeFileAndRoundTrips_data();
    void saveReplacesWholeFileAndRoundTrips();
    void saveFailuresLeaveOldFile_data();
    void saveFailuresLeaveOldFile();
    void folderFollowsXdgConfigHome();
    void fileNamesIgnoreLetterCase_data();
    void fileNamesIgnoreLetterCase();
    void sequentialReading_data();
    void sequentialReading();
    void failedReadKeepsEarlierValues();
    void tableReading_data();
    void tableReading();
    void tableReadingFailures_data();
    void tableReadingFailures();
};

void tst_settings::recordBytes_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("header") << QStringList{"TITLE1", "TITLE2", "YOSHI", "PRINTER"}
                            << QByteArray("\"TITLE1\",\"TITLE2\",\"YOSHI\",\"PRINTER\"\r\n");
    QTest::newRow("empty values") << QStringList{"", "1", ""} << QByteArray("\"\",\"1\",\"\"\r\n");
    QTest::newRow("half-width kana and kanji")
        << QStringList{QStringLiteral("ｽﾃｰﾀｽ"), QStringLiteral("品名")}
        << QByteArray::fromHex("22bdc3b0c0bd222c22956996bc220d0a");
    QTest::newRow("KENSAKU keeps its trailing space")
        << QStringList{QStringLiteral("select バーコード from ")}
        << QByteArray::fromHex("2273656c65637420836f815b8352815b83682066726f6d20220d0a");
    QTest::newRow("comma stays inside the quotes")
        << QStringList{"a,b", "c"} << QByteArray("\"a,b\",\"c\"\r\n");
    QTest::newRow("blanks stay") << QStringList{"  x  "} << QByteArray("\"  x  \"\r\n");
    QTest::newRow("quote doubled")
        << QStringList{"say \"hi\""} << QByteArray("\"say \"\"hi\"\"\"\r\n");
    QTest::newRow("line break as a space")
        << QStringList{"a\r\nb\nc"} << QByteArray("\"a b c\"\r\n");
    QTest::newRow("backslash is 0x5C")
        << QStringList{"C:\\book1.xls"} << QByteArray("\"C:\\book1.xls\"\r\n");
}

void tst_settings::recordBytes() {
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, bytes);
    const auto encoded = encodeRecord(fields);
    QVERIFY(encoded.has_value());
    QCOMPARE(*encoded, bytes);
}

void tst_settings::saveReplacesWholeFileAndRoundTrips_data() {
    QTest::addColumn<QStringList>("values");
    QTest::newRow("plain") << QStringList{"/home/shop/items.xls", "sheet1", "select * from "};
    QTest::newRow("comma and quote") << QStringList{"a,b", "he said \"ok\"", "\"\""};
    QTest::newRow("empty and Japanese")
        << QStringList{"", QStringLiteral("在庫"), QStringLiteral("ﾊﾞｰｺｰﾄﾞ,品名")};
}

void tst_settings::saveReplacesWholeFileAndRoundTrips() {
    QFETCH(QStringList, values);
    test::TempConfigHome home;
    home.writeFile(kDatabaseFile,
                   "old contents that are longer than the new ones\r\nx\r\ny\r\nz\r\n");
    const QString path = filePath(kDatabaseFile);
    QVERIFY(save(path, databaseHeader(), values).ok());

    const QByteArray expected = test::settingsFile(databaseHeader(), values);
    QCOMPARE(home.readFile(kDatabaseFile), expected);
    QCOMPARE(QDir(home.settingsDir()).entryList(QDir::Files), QStringList{kDatabaseFile});

    QStringList sequential;
    QVERIFY(readValueRecord(path, kDatabaseFields, sequential).ok());
    QCOMPARE(sequential, values);

    TableRow row;
    QVERIFY(queryTable(home.settingsDir(), "Select * From pimraconfig2.txt", row).ok());
    QCOMPARE(row.values, values);
    QCOMPARE(*row.value("kensaku"), values[2]);
}

void tst_settings::saveFailuresLeaveOldFile_data() {
    QTest::addColumn<int>("fault");
    QTest::newRow("no settings folder") << int(SaveFault::NoFolder);
    QTest::newRow("character outside code page 932") << int(SaveFault::NotEncodable);
    QTest::newRow("write fails") << int(SaveFault::WriteFails);
    QTest::newRow("read-only folder") << int(SaveFault::ReadOnlyFolder);
}

void tst_settings::saveFailuresLeaveOldFile() {
    QFETCH(int, fault);
    test::TempConfigHome home;
    const QByteArray old =
        crlf("\"TITLE1\",\"TITLE2\",\"YOSHI\",\"PRINTER\"\n\"a\",\"b\",\"9\",\"0\"\n");
    if (SaveFault(fault) != SaveFault::NoFolder) home.writeFile(kOutputFile, old);
    QStringList values{"new title", "b", "9", "0"};
    std::optional<test::FileSizeLimit> limit;
    switch (SaveFault(fault)) {
        case SaveFault::NoFolder:  // a save never creates the folder
        case SaveFault::WriteFails:
            break;
        case SaveFault::NotEncodable:
            values[0] = QStringLiteral("😀");
            break;
        case SaveFault::ReadOnlyFolder:
            if (geteuid() == 0)
                QSKIP(
                    "the folder's permissions do not stop root; the file size limit row covers it");
            QVERIFY(QFile::setPermissions(home.settingsDir(), QFile::ReadOwner | QFile::ExeOwner));
            break;
    }
    // Set last, so that nothing but the save itself meets the limit.
    if (SaveFault(fault) == SaveFault::WriteFails) {
        limit.emplace(16);  // the header record alone is longer
        QVERIFY(limit->active());
    }
    const Result s = save(filePath(kOutputFile), outputHeader(), values);
    limit.reset();
    QFile::setPermissions(home.settingsDir(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!s.ok());
    QCOMPARE(s.kind, ErrorKind::SettingsWrite);
    QVERIFY(!s.message.isEmpty());
    if (SaveFault(fault) == SaveFault::NoFolder) {
        QVERIFY(!QFileInfo::exists(home.settingsDir()));
        return;
    }
    QCOMPARE(home.readFile(kOutputFile), old);
    // No temporary file is left behind.
    QCOMPARE(QDir(home.settingsDir()).entryList(QDir::Files | QDir::Hidden),
             QStringList{kOutputFile});
}

void tst_settings::folderFollowsXdgConfigHome() {
    test::TempConfigHome home;
    QCOMPARE(folderPath(), home.settingsDir());
    QCOMPARE(filePath("C:\\QRV_ini4\\pimraconfig4.txt"), home.settingsDir() + "/pimraconfig4.txt");
    QCOMPARE(filePath("c:\\qrv_ini4\\pimraconfig2.txt"), home.settingsDir() + "/pimraconfig2.txt");
    QCOMPARE(filePath(kPositionFile), home.settingsDir() + "/pimraconfig5.txt");
}

void tst_settings::fileNamesIgnoreLetterCase_data() {
    QTest::addColumn<QString>("stored");  // the name as the folder holds it
    QTest::addColumn<QString>("asked");   // the name a reader or writer asks for
    QTest::newRow("upper case file") << "PIMRACONFIG2.TXT" << kDatabaseFile;
    QTest::newRow("mixed case file") << "Pimraconfig2.Txt" << kDatabaseFile;
    QTest::newRow("Windows path to upper case file") << "PIMRACONFIG2.TXT"
                                                     << "C:\\QRV_INI4\\pimraconfig2.txt";
}

void tst_settings::fileNamesIgnoreLetterCase() {
    QFETCH(QString, stored);
    QFETCH(QString, asked);
    test::TempConfigHome home;
    const QStringList old{"/srv/old.xls", QStringLiteral("在庫"), "select * from "};
    home.writeFile(stored, test::settingsFile(databaseHeader(), old));

    const QString path = filePath(asked);
    QCOMPARE(path, home.settingsDir() + '/' + stored);
    QStringList sequential;
    QVERIFY(readValueRecord(path, kDatabaseFields, sequential).ok());
    QCOMPARE(sequential, old);
    TableRow row;
    QVERIFY(queryTable(home.settingsDir(), "Select * From pimraconfig2.txt", row).ok());
    QCOMPARE(row.values, old);

    // A save rewrites the file under the name it already has: never a second spelling.
    const QStringList values{"/srv/new.xls", "sheet2", "select a from "};
    QVERIFY(save(filePath(asked), databaseHeader(), values).ok());
    QCOMPARE(QDir(home.settingsDir()).entryList(QDir::Files), QStringList{stored});
    QCOMPARE(home.readFile(stored), test::settingsFile(databaseHeader(), values));
}

void tst_settings::sequentialReading_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("values");  // the value record
    QTest::newRow("ordinary")
        << crlf("\"DB\",\"TABLE\",\"KENSAKU\"\n\"a.xls\",\"sheet1\",\"select * from \"\n") << 3
        << true << QStringList{"a.xls", "sheet1", "select * from "};
    QTest::newRow("out of step across line ends") << crlf("\"A\",\"B\"\n\"C\",\"1\"\n\"2\",\"3\"\n")
                                                  << 3 << true << QStringList{"1", "2", "3"};
    QTest::newRow("header only fails on record 1")
        << crlf("\"DB\",\"TABLE\",\"KENSAKU\"\n") << 3 << false << QStringList{};
    QTest::newRow("comma inside quotes")
        << crlf("\"A\",\"B\"\n\"x,y\",\"z\"\n") << 2 << true << QStringList{"x,y", "z"};
    QTest::newRow("blanks before values skipped")
        << crlf("\"A\",  \"B\"\n   \"x\", \"y\"\n") << 2 << true << QStringList{"x", "y"};
    QTest::newRow("doubled quote")
        << crlf("\"A\"\n\"say \"\"hi\"\"\"\n") << 1 << true << QStringList{"say \"hi\""};
    QTest::newRow("empty values as two quotes")
        << crlf("\"A\",\"B\"\n\"\",\"\"\n") << 2 << true << QStringList{"", ""};
    QTest::newRow("unquoted values")
        << crlf("A,B\n12 , text here\n") << 2 << true << QStringList{"12", "text here"};
    QTest::newRow("further lines unread")
        << crlf("\"A\"\n\"1\"\n\"2\"\n") << 1 << true << QStringList{"1"};
    QTest::newRow("no final line end")
        << QByteArray("\"A\",\"B\"\r\n\"1\",\"2\"") << 2 << true << QStringList{"1", "2"};
    QTest::newRow("short value record")
        << crlf("\"A\",\"B\",\"C\"\n\"1\",\"2\"\n") << 3 << false << QStringList{};
    QTest::newRow("empty file") << QByteArray() << 1 << false << QStringList{};
}

void tst_settings::sequentialReading() {
    QFETCH(QByteArray, file);
    QFETCH(int, fields);
    QFETCH(bool, ok);
    QFETCH(QStringList, values);
    test::TempConfigHome home;
    home.writeFile("f.txt", file);
    QStringList read;
    const Result s = readValueRecord(filePath("f.txt"), fields, read);
    QCOMPARE(s.ok(), ok);
    if (ok)
        QCOMPARE(read, values);
    else
        QVERIFY(!s.message.isEmpty());
}

void tst_settings::failedReadKeepsEarlierValues() {
    test::TempConfigHome home;
    home.writeFile("f.txt", crlf("\"A\",\"B\",\"C\"\n\"1\",\"2\"\n"));
    SequentialReader reader;
    QVERIFY(reader.open(filePath("f.txt")));
    QString a, b, c = "untouched";
    QVERIFY(reader.read({&a, &b, &c}));
    QCOMPARE(c, QString("C"));
    c = "untouched";
    QVERIFY(!reader.read({&a, &b, &c}));
    QCOMPARE(a, QString("1"));
    QCOMPARE(b, QString("2"));
    QCOMPARE(c, QString("untouched"));
    reader.close();
    QVERIFY(!reader.read({&a}));  // a read after close (or a failed open) fails
    QVERIFY(!reader.open(filePath("missing.txt")));
    QVERIFY(!reader.read({&a}));
}

void tst_settings::tableReading_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("all columns") << "Select * From pimraconfig4.txt"
                                 << QStringList{"TITLE1", "TITLE2", "YOSHI", "PRINTER"}
                                 << QStringList{"a", "b", "9", "0"};
    QTest::newRow("sizes by name")
        << "Select SIZE1,SIZE2,SIZE3 From pimraconfig5.txt"
        << QStringList{"SIZE1", "SIZE2", "SIZE3"} << QStringList{"5", "7", "-2"};
    QTest::newRow("bare numbers and letter case")
        << "select d1, 2 ,90,tel from PIMRACONFIG5.TXT" << QStringList{"d1", "2", "90", "tel"}
        << QStringList{"p1", "p2", "p90", "03-1234"};
}

void tst_settings::tableReading() {
    QFETCH(QString, query);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, values);
    test::TempConfigHome home;
    QDir().mkpath(home.settingsDir());
    QVERIFY(save(filePath(kOutputFile), outputHeader(), {"a", "b", "9", "0"}).ok());
    QStringList pos;
    pos << ""
        << ""
        << "5"
        << "7"
        << "-2"
        << "p1";
    for (int i = 2; i <= 90; ++i) pos << QStringLiteral("p%1").arg(i);
    pos << ""
        << ""
        << ""
        << "03-1234";
    QVERIFY(save(filePath(kPositionFile), positionHeader(), pos).ok());

    TableRow row;
    const Result s = queryTable(home.settingsDir(), query, row);
    QVERIFY2(s.ok(), qPrintable(s.message));
    QCOMPARE(row.columns, columns);
    QCOMPARE(row.values, values);
}

void tst_settings::tableReadingFailures_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("inMessage");
    QTest::newRow("header only") << crlf("\"A\",\"B\"\n") << "Select * From t.txt"
                                 << "値の行";
    QTest::newRow("unknown column")
        << crlf("\"A\",\"B\"\n\"1\",\"2\"\n") << "Select A,SIZE9 From t.txt"
        << "SIZE9";
    QTest::newRow("missing file") << QByteArray() << "Select * From none.txt"
                                  << "none.txt";
    QTest::newRow("not a query") << crlf("\"A\"\n\"1\"\n") << "delete from t.txt"
                                 << "delete";
}

void tst_settings::tableReadingFailures() {
    QFETCH(QByteArray, file);
    QFETCH(QString, query);
    QFETCH(QString, inMessage);
    test::TempConfigHome home;
    if (!file.isEmpty()) home.writeFile("t.txt", file);
    QDir().mkpath(home.settingsDir());
    TableRow row;
    const Result s = queryTable(home.settingsDir(), query, row);
    QVERIFY(!s.ok());
    QCOMPARE(s.kind, ErrorKind::SettingsRead);
    QVERIFY2(s.message.contains(inMessage), qPrintable(s.message));
}

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
