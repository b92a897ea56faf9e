// Labels that show what a user typed or a file holds show it as it is: a path, sheet name or
// query with angle brackets is never taken for markup.
#include "datasource/RecordCount.h"
#include "datasource/windows/Form6.h"
#include "printer/windows/Form3.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "shell/windows/frmMain.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace pellix;

class tst_plain_text : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void mainMenu();
    void recordCountWindow();
    void otherWindows();

  private:
    // Every label of the window is plain text; a label showing `text` lays out all of it, tags
    // included.
    static void checkLabels(QWidget* window);
    static void checkShown(QLabel* label, const QString& text);
    void storeDatabaseSettings(const QString& db, const QString& table, const QString& kensaku);

    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<shell::WindowRegistry> windows_;
};

void tst_plain_text::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    services_ = std::make_unique<test::TestServices>();
    windows_ = test::programWindows(*services_);
    home_->installDefaults();
}

void tst_plain_text::cleanup() {
    windows_.reset();
    services_.reset();
    home_.reset();
}

void tst_plain_text::checkLabels(QWidget* window) {
    for (QLabel* l : window->findChildren<QLabel*>())
        QVERIFY2(l->textFormat() == Qt::PlainText, qPrintable(l->objectName() + " " + l->text()));
}

void tst_plain_text::checkShown(QLabel* label, const QString& text) {
    QCOMPARE(label->text(), text);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    // Taken as markup, the tags would vanish and the label would want far less room.
    QVERIFY2(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(text),
             qPrintable(label->objectName()));
}

void tst_plain_text::storeDatabaseSettings(const QString& db, const QString& table,
                                           const QString& kensaku) {
    home_->writeFile(settings::kDatabaseFile,
                     test::settingsFile(settings::databaseHeader(), {db, table, kensaku}));
}

void tst_plain_text::mainMenu() {
    const QString db = QStringLiteral("/srv/<b>x</b>.xls");
    const QString table = QStringLiteral("<b>x</b>");
    storeDatabaseSettings(db, table, QStringLiteral("select * from "));
    shell::Form1 form(windows_->context());
    form.Form_Load();
    checkShown(form.Label7, db);
    if (QTest::currentTestFailed()) return;
    checkShown(form.Label15, table);
    if (QTest::currentTestFailed()) return;
    checkLabels(&form);
    if (QTest::currentTestFailed()) return;
}

void tst_plain_text::recordCountWindow() {
    // A workbook whose path holds markup: the folder "<b>x<" with the file "b>.xls".
    QTemporaryDir dir;
    const QString db = dir.path() + QStringLiteral("/<b>x</b>.xls");
    QVERIFY(QDir().mkpath(QFileInfo(db).absolutePath()));
    QVERIFY(QFile::copy(test::testData(QStringLiteral("rows120.xls")), db));
    const QString kensaku = QStringLiteral("select '<b>x</b>' as a, 1<2 and 3>2 as b from ");
    storeDatabaseSettings(db, QStringLiteral("sheet1"), kensaku);
    QVERIFY(datasource::showRecordCount(*windows_));
    auto* w = windows_->find<datasource::Form6>();
    QVERIFY(w);
    QVERIFY(services_->messages.shown.isEmpty());
    checkShown(w->Labeldb, db);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(w->Labelsql->text(), kensaku);
    QCOMPARE(w->Label1->text(), QStringLiteral("120"));
    checkLabels(w);
    if (QTest::currentTestFailed()) return;
}

void tst_plain_text::otherWindows() {
    home_->writeFile(settings::kOutputFile, test::settingsFile(settings::outputHeader(),
                                                               {"<b>x</b>", "<i>y</i>", "9", "0"}));
    auto* layout = windows_->show<printer::Form3>();
    QVERIFY(layout);
    checkLabels(layout);
    if (QTest::currentTestFailed()) return;
    auto* wait = windows_->show<shell::Form8>();
    QVERIFY(wait);
    checkLabels(wait);
    if (QTest::currentTestFailed()) return;
    shell::frmMain main(windows_->context());
    checkLabels(&main);  // the status bar's panels
}

QTEST_MAIN(tst_plain_text)
#include "tst_plain_text.moc"
