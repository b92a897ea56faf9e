// The database settings dialog: load, file picker, connection test, save and close, and the
// failures of each.
#include "datasource/RecordSource.h"
#include "datasource/windows/setOracle.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace pellix;
using datasource::setOracle;
using Icon = platform::MessageBoxes::Icon;
using pellix::test::testData;

namespace {

QByteArray databaseFile(const QStringList& values) {
    return *settings::encodeRecord(settings::databaseHeader()) + *settings::encodeRecord(values);
}

const QString kAllColumns = QStringLiteral("select * from ");

}  // namespace

class tst_setoracle : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void loadsStoredValues();
    void loadFailureLeavesDialogUnopened_data();
    void loadFailureLeavesDialogUnopened();
    void picker_data();
    void picker();
    void connectionTest_data();
    void connectionTest();
    void saveAndClose_data();
    void saveAndClose();
    void failedSaveKeepsDialogOpen_data();
    void failedSaveKeepsDialogOpen();

  private:
    setOracle* open(const QStringList& stored);
    void enter(setOracle* w, const QString& db, const QString& table, const QString& kensaku);

    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<shell::WindowRegistry> windows_;
};

void tst_setoracle::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    services_ = std::make_unique<test::TestServices>();
    windows_ = test::programWindows(*services_);
}

void tst_setoracle::cleanup() {
    windows_.reset();
    services_.reset();
    home_.reset();
}

setOracle* tst_setoracle::open(const QStringList& stored) {
    home_->writeFile(settings::kDatabaseFile, databaseFile(stored));
    return windows_->show<setOracle>();
}

void tst_setoracle::enter(setOracle* w, const QString& db, const QString& table,
                          const QString& kensaku) {
    w->Text1->setText(db);
    w->Text4->setText(table);
    w->Text5->setPlainText(kensaku);
}

void tst_setoracle::loadsStoredValues() {
    // Stored values come back exactly, the trailing blank of KENSAKU and a comma included.
    const QStringList stored{testData("sample.xls"), QStringLiteral("sheet1"),
                             QStringLiteral("select バーコード,品名,名称,価格 from ")};
    setOracle* w = open(stored);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(services_->messages.shown.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("データベース設定 Excel"));
    QCOMPARE(w->Text1->text(), stored[0]);
    QCOMPARE(w->Text4->text(), stored[1]);
    QCOMPARE(w->Text5->toPlainText(), stored[2]);
    QCOMPARE(w->findChild<QPlainTextEdit*>("Text5"), w->Text5);
    // The query box holds two lines; the path and sheet boxes one.
    QVERIFY(w->Text5->viewport()->height() >= 2 * w->Text5->fontMetrics().lineSpacing());
    QVERIFY(w->Text5->height() > w->Text1->height());
    QCOMPARE(w->findChild<QPushButton*>("Command3")->text(), QStringLiteral("参照"));
    QCOMPARE(w->findChild<QPushButton*>("Command2")->text(),
             QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ接続テスト=>設定変更"));
    QCOMPARE(w->findChild<QPushButton*>("Command4")->text(), QStringLiteral("設定変更ﾎﾞﾀﾝ"));
    QCOMPARE(
        w->findChild<QLabel*>("Label12")->text(),
        QStringLiteral("3 構文は必ず　from まで記述し、テーブル名は構文に入れないでください。"));
    QCOMPARE(w->Command1->text(), QStringLiteral("ファイルサンプル(参照)"));
    QVERIFY(w->Command1->isEnabled());
    // Showing it again only raises it.
    w->Text4->setText(QStringLiteral("typed"));
    QCOMPARE(windows_->show<setOracle>(), w);
    QCOMPARE(w->Text4->text(), QStringLiteral("typed"));
}

void tst_setoracle::loadFailureLeavesDialogUnopened_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("folderInPlace");
    const QByteArray header = *settings::encodeRecord(settings::databaseHeader());
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("header only") << header << false;
    QTest::newRow("value row cut short")
        << header + *settings::encodeRecord({testData("sample.xls"), QStringLiteral("sheet1")})
        << false;
    QTest::newRow("column missing")
        << *settings::encodeRecord({"DB", "TABLE", "QUERY"}) +
               *settings::encodeRecord({testData("sample.xls"), "sheet1", kAllColumns})
        << false;
    QTest::newRow("not Shift-JIS") << header + QByteArray("\"\x82\"\r\n") << false;
    QTest::newRow("a folder in its place") << QByteArray() << true;
}

void tst_setoracle::loadFailureLeavesDialogUnopened() {
    QFETCH(QByteArray, file);
    QFETCH(bool, folderInPlace);
    QDir().mkpath(home_->settingsDir());
    if (!file.isEmpty()) home_->writeFile(settings::kDatabaseFile, file);
    if (folderInPlace) QVERIFY(QDir().mkpath(settings::filePath(settings::kDatabaseFile)));

    QVERIFY(!windows_->show<setOracle>());
    QVERIFY(!windows_->find<setOracle>());
    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.title, QStringLiteral("設定エラー"));
    QCOMPARE(box.icon, Icon::Exclamation);
    QVERIFY2(box.prompt.startsWith(QStringLiteral("データベース設定を開けません。")),
             qPrintable(box.prompt));
    QVERIFY2(box.prompt.contains(settings::filePath(settings::kDatabaseFile)),
             qPrintable(box.prompt));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
}

void tst_setoracle::picker_data() {
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("path");
    QTest::newRow("cancel keeps the path") << std::optional<QString>() << testData("sample.xls");
    QTest::newRow("a chosen file replaces it")
        << std::optional<QString>(testData("rows120.xls")) << testData("rows120.xls");
}

void tst_setoracle::picker() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, path);
    setOracle* w = open({testData("sample.xls"), QStringLiteral("sheet1"), kAllColumns});
    const QByteArray before = home_->readFile(settings::kDatabaseFile);
    services_->fileDialogs.expect(answer);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(services_->fileDialogs.opened, 1);
    QCOMPARE(services_->fileDialogs.lastStartPath, testData("sample.xls"));
    QCOMPARE(services_->fileDialogs.lastNameFilters,
             (QStringList{QStringLiteral("Excel / OpenDocument / CSV ファイル (*.xls *.xlsx *.ods "
                                         "*.csv *.txt *.XLS *.XLSX *.ODS *.CSV *.TXT)"),
                          QStringLiteral("すべてのファイル (*)")}));
    QCOMPARE(w->Text1->text(), path);
    // Picking changes the box only; the file changes with the two saving buttons.
    QCOMPARE(home_->readFile(settings::kDatabaseFile), before);
    QVERIFY(services_->messages.shown.isEmpty());
}

void tst_setoracle::connectionTest_data() {
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("kensaku");
    QTest::addColumn<QStringList>("saved");  // empty: the file is left as it was
    QTest::addColumn<QString>("prompt");     // null: the record source's own description
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");

    const QString sample = testData("sample.xls");
    const QString connected = QStringLiteral("接続できました");
    const QString status = QStringLiteral("ステータス");
    const QString error = QStringLiteral("設定エラー");
    QTest::newRow("workbook and query work")
        << sample << "sheet1"
        << "select バーコード,品名,名称,価格 from"
        << QStringList{sample, "sheet1", "select バーコード,品名,名称,価格 from "} << connected
        << status << int(Icon::Information);
    QTest::newRow("wrong sheet name")
        << sample << "sheet9"
        << "select * from" << QStringList{sample, "sheet9", kAllColumns} << QString() << error
        << int(Icon::None);
    QTest::newRow("no rows") << testData("header-only.xls") << "sheet1"
                             << "select * from"
                             << QStringList{testData("header-only.xls"), "sheet1", kAllColumns}
                             << QString() << error << int(Icon::None);
    QTest::newRow("workbook missing")
        << testData("gone.xls") << "sheet1"
        << "select * from" << QStringList{testData("gone.xls"), "sheet1", kAllColumns} << QString()
        << error << int(Icon::None);
    // A line break typed into the query box is stored as a blank: the file keeps its two
    // records and the query runs as typed.
    QTest::newRow("line break in the query")
        << sample << "sheet1"
        << "select バーコード,品名,\n名称,価格\nfrom"
        << QStringList{sample, "sheet1", "select バーコード,品名, 名称,価格 from "} << connected
        << status << int(Icon::Information);
    QTest::newRow("query without from") << sample << "sheet1"
                                        << "select *" << QStringList{sample, "sheet1", "select * "}
                                        << QString() << error << int(Icon::None);
    // A sheet name that Shift-JIS cannot hold cannot be saved; the box says so and the file
    // stays as it was.
    QTest::newRow("unsavable character")
        << sample << QStringLiteral("sheet\U0001F600") << "select * from" << QStringList()
        << QString() << error << int(Icon::None);
}

void tst_setoracle::connectionTest() {
    QFETCH(QString, db);
    QFETCH(QString, table);
    QFETCH(QString, kensaku);
    QFETCH(QStringList, saved);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    QFETCH(int, icon);

    setOracle* w = open({testData("rows120.xls"), QStringLiteral("sheet1"), kAllColumns});
    const QByteArray before = home_->readFile(settings::kDatabaseFile);
    enter(w, db, table, kensaku);
    QTest::mouseClick(w->Command2, Qt::LeftButton);

    const QByteArray after = home_->readFile(settings::kDatabaseFile);
    if (saved.isEmpty())
        QCOMPARE(after, before);
    else
        QCOMPARE(after, databaseFile(saved));
    QCOMPARE(after.count("\r\n"), 2);

    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    if (prompt.isNull()) {
        // The box shows the description of the failure as the step that failed gave it.
        QVERIFY(!box.prompt.isEmpty());
        if (!saved.isEmpty()) {
            datasource::RecordSource source;
            const Result opened =
                source.open(saved[0], saved[2] + QLatin1Char('[') + saved[1] + QLatin1String("$]"));
            qint64 rows = 0;
            const Result counted = opened ? source.count(rows) : opened;
            QVERIFY(!counted);
            QCOMPARE(box.prompt, counted.message);
        } else {
            QVERIFY2(box.prompt.contains(QStringLiteral("Shift-JIS")), qPrintable(box.prompt));
        }
    } else {
        QCOMPARE(box.prompt, prompt);
    }
    QCOMPARE(box.title, title);
    QCOMPARE(int(box.icon), icon);

    // The dialog stays open with what was entered.
    QCOMPARE(windows_->find<setOracle>(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->Text1->text(), db);
    QCOMPARE(w->Text4->text(), table);
    QCOMPARE(w->Text5->toPlainText(), kensaku);
}

void tst_setoracle::saveAndClose_data() {
    QTest::addColumn<QString>("kensaku");
    QTest::addColumn<QString>("stored");
    QTest::newRow("one blank appended") << "select * from"
                                        << "select * from ";
    QTest::newRow("ending in a blank gains one more") << "select * from "
                                                      << "select * from  ";
    QTest::newRow("line breaks as blanks") << "select *\nfrom\n"
                                           << "select * from  ";
    QTest::newRow("empty") << ""
                           << " ";
}

void tst_setoracle::saveAndClose() {
    QFETCH(QString, kensaku);
    QFETCH(QString, stored);
    setOracle* w = open({testData("rows120.xls"), QStringLiteral("sheet1"), kAllColumns});
    enter(w, testData("sample.xls"), QStringLiteral("シート1"), kensaku);
    bool dialogGoneWhileShown = false;
    services_->messages.whileShown = [&](const test::ShownMessage&) {
        dialogGoneWhileShown = !windows_->find<setOracle>();
    };
    QTest::mouseClick(w->Command4, Qt::LeftButton);

    QCOMPARE(home_->readFile(settings::kDatabaseFile),
             databaseFile({testData("sample.xls"), QStringLiteral("シート1"), stored}));
    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.prompt,
             QStringLiteral("設定が変更されました｡アプリケーションを再起動してください。"));
    QCOMPARE(box.title, QStringLiteral("設定変更"));
    QCOMPARE(box.icon, Icon::Information);
    QVERIFY(dialogGoneWhileShown);

    // Reopened, the dialog shows what was saved.
    setOracle* again = windows_->show<setOracle>();
    QVERIFY(again);
    QCOMPARE(again->Text1->text(), testData("sample.xls"));
    QCOMPARE(again->Text4->text(), QStringLiteral("シート1"));
    QCOMPARE(again->Text5->toPlainText(), stored);
}

void tst_setoracle::failedSaveKeepsDialogOpen_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("folderInPlace");
    QTest::newRow("a folder in the file's place") << "sheet1" << true;
    QTest::newRow("a character Shift-JIS cannot hold") << QStringLiteral("\U0001F600") << false;
}

void tst_setoracle::failedSaveKeepsDialogOpen() {
    QFETCH(QString, table);
    QFETCH(bool, folderInPlace);
    setOracle* w = open({testData("rows120.xls"), QStringLiteral("sheet1"), kAllColumns});
    if (folderInPlace) {
        QVERIFY(QFile::remove(settings::filePath(settings::kDatabaseFile)));
        QVERIFY(QDir().mkpath(settings::filePath(settings::kDatabaseFile)));
    }
    enter(w, testData("sample.xls"), table, QStringLiteral("select * from"));
    QTest::mouseClick(w->Command4, Qt::LeftButton);

    QCOMPARE(services_->messages.shown.size(), 1);
    const test::ShownMessage& box = services_->messages.shown[0];
    QCOMPARE(box.title, QStringLiteral("設定変更エラー"));
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY2(box.prompt.startsWith(QStringLiteral("設定を保存できませんでした。")),
             qPrintable(box.prompt));
    QCOMPARE(windows_->find<setOracle>(), w);
    QCOMPARE(w->Text1->text(), testData("sample.xls"));
    QCOMPARE(w->Text4->text(), table);
    QCOMPARE(w->Text5->toPlainText(), QStringLiteral("select * from"));
}

QTEST_MAIN(tst_setoracle)
#include "tst_setoracle.moc"
