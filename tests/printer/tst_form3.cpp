// The output layout dialog: load of both layouts, save with the underscore rule, refusals.
#include "printer/windows/Form3.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace pellix;
using Icon = platform::MessageBoxes::Icon;

namespace {

QByteArray outputFile(const QStringList& values) {
    return test::settingsFile(settings::outputHeader(), values);
}

}  // namespace

class tst_form3 : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void loadsLayout_data();
    void loadsLayout();
    void saveStoresUnderscoresForEmptyTitles();
    void saveReplacesCustomLayout();
    void saveWithoutStandardOptionIsRefused_data();
    void saveWithoutStandardOptionIsRefused();
    void missingFileOpensWithoutSave();
    void failedSaveKeepsDialogOpen();
    void webButtonOpensOrderForm();

  private:
    printer::Form3* show();

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_form3::init() {
    home = std::make_unique<test::TempConfigHome>();
    ts = std::make_unique<test::TestServices>();
    registry = test::programWindows(*ts);
}

void tst_form3::cleanup() {
    registry.reset();
    ts.reset();
    home.reset();
}

printer::Form3* tst_form3::show() {
    return registry->show<printer::Form3>();
}

void tst_form3::loadsLayout_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text3");
    QTest::addColumn<QString>("layout");
    QTest::newRow("standard") << QStringList{QStringLiteral("ペリックス商店"),
                                             QStringLiteral("税込価格"), QStringLiteral("9"),
                                             QStringLiteral("0")}
                              << QStringLiteral("ペリックス商店") << QStringLiteral("税込価格")
                              << QString() << QStringLiteral("標準ﾀｲﾌﾟ");
    QTest::newRow("C5255") << QStringList{QStringLiteral("丸山家具店"), settings::kC5255Marker,
                                          QStringLiteral("999"), QStringLiteral("1")}
                           << QString() << QString() << QStringLiteral("丸山家具店")
                           << QStringLiteral("C5255 家具統一伝票");
}

void tst_form3::loadsLayout() {
    QFETCH(QStringList, stored);
    QFETCH(QString, text1);
    QFETCH(QString, text2);
    QFETCH(QString, text3);
    QFETCH(QString, layout);
    home->writeFile(settings::kOutputFile, outputFile(stored));
    printer::Form3* w = show();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("設定　出力レイアウト選択"));
    QCOMPARE(w->Text1->text(), text1);
    QCOMPARE(w->Text2->text(), text2);
    QCOMPARE(w->Text3->text(), text3);
    QVERIFY(w->Text4->text().isEmpty());
    QCOMPARE(w->Text5->text(), stored[2]);
    QCOMPARE(w->Text6->text(), stored[3]);
    QCOMPARE(w->Label3->text(), layout);
    for (QRadioButton* option : w->Option1) QVERIFY(!option->isChecked());
    QVERIFY(!w->Text3->isEnabled());
    QVERIFY(!w->Option1[2]->isEnabled());
    QVERIFY(ts->messages.shown.isEmpty());
    QCOMPARE(w->findChild<QRadioButton*>(QStringLiteral("Option1(0)")), w->Option1[0]);
}

void tst_form3::saveStoresUnderscoresForEmptyTitles() {
    home->installDefaults({settings::kOutputFile});
    printer::Form3* w = show();
    w->Text1->clear();
    w->Text2->clear();
    QTest::mouseClick(w->Option1[0], Qt::LeftButton);
    QTest::mouseClick(w->Command4, Qt::LeftButton);

    QCOMPARE(home->readFile(settings::kOutputFile),
             outputFile({QStringLiteral("_"), QStringLiteral("_"), QStringLiteral("9"),
                         QStringLiteral("0")}));
    QCOMPARE(w->Text1->text(), QStringLiteral("_"));
    QCOMPARE(w->Text2->text(), QStringLiteral("_"));
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].prompt, QStringLiteral("設定が変更されました｡"));
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定変更"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Information);
    // Saving closes the dialog; the next reader loads the saved values.
    QVERIFY(!registry->find<printer::Form3>());
    QCOMPARE(registry->load<printer::Form3>()->Text1->text(), QStringLiteral("_"));
}

void tst_form3::saveReplacesCustomLayout() {
    home->writeFile(settings::kOutputFile,
                    outputFile({QStringLiteral("丸山家具店"), settings::kC5255Marker,
                                QStringLiteral("999"), QStringLiteral("1")}));
    printer::Form3* w = show();
    w->Option1[0]->setChecked(true);
    w->Command4_Click();
    QCOMPARE(home->readFile(settings::kOutputFile),
             outputFile({QStringLiteral("_"), QStringLiteral("_"), QStringLiteral("999"),
                         QStringLiteral("1")}));
}

void tst_form3::saveWithoutStandardOptionIsRefused_data() {
    QTest::addColumn<int>("option");
    QTest::newRow("none chosen") << -1;
    QTest::newRow("C5255 chosen") << 1;
}

void tst_form3::saveWithoutStandardOptionIsRefused() {
    QFETCH(int, option);
    home->installDefaults({settings::kOutputFile});
    const QByteArray before = home->readFile(settings::kOutputFile);
    printer::Form3* w = show();
    if (option >= 0) QTest::mouseClick(w->Option1[option], Qt::LeftButton);
    w->Text2->clear();
    QTest::mouseClick(w->Command4, Qt::LeftButton);

    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].prompt, QStringLiteral("設定項目が選択されていません。"));
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定変更エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Critical);
    QCOMPARE(home->readFile(settings::kOutputFile), before);
    QCOMPARE(registry->find<printer::Form3>(), w);
    QCOMPARE(w->Text2->text(), QStringLiteral("_"));
}

void tst_form3::missingFileOpensWithoutSave() {
    QDir().mkpath(home->settingsDir());
    printer::Form3* w = show();
    QVERIFY(w);
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Exclamation);
    QVERIFY(ts->messages.shown[0].prompt.startsWith(
        QStringLiteral("出力設定ファイルを読み込めません。")));
    QVERIFY(!w->Command4->isEnabled());
    QVERIFY(!w->settingsLoaded());
    QVERIFY(!QFile::exists(settings::filePath(settings::kOutputFile)));
}

void tst_form3::failedSaveKeepsDialogOpen() {
    home->installDefaults({settings::kOutputFile});
    printer::Form3* w = show();
    // The file's place is taken by a folder, so the save cannot replace it.
    QVERIFY(QFile::remove(settings::filePath(settings::kOutputFile)));
    QVERIFY(QDir().mkpath(settings::filePath(settings::kOutputFile)));
    w->Option1[0]->setChecked(true);
    w->Command4_Click();
    QCOMPARE(ts->messages.shown.size(), 1);
    QCOMPARE(ts->messages.shown[0].title, QStringLiteral("設定変更エラー"));
    QCOMPARE(ts->messages.shown[0].icon, Icon::Critical);
    QVERIFY(
        ts->messages.shown[0].prompt.startsWith(QStringLiteral("設定を保存できませんでした。")));
    QCOMPARE(registry->find<printer::Form3>(), w);
}

void tst_form3::webButtonOpensOrderForm() {
    home->installDefaults({settings::kOutputFile});
    printer::Form3* w = show();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(ts->urls.opened,
             QList<QUrl>{QUrl(QStringLiteral("https://pellix.example.com/pppmail2/form.html"))});
}

QTEST_MAIN(tst_form3)
#include "tst_form3.moc"
