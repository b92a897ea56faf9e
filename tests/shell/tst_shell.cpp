#include "platform/QtPlatform.h"
#include "settings/SettingsFile.h"
#include "shell/SettingsRecovery.h"
#include "shell/VersionText.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "shell/windows/frmMain.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

using namespace pellix;
using namespace pellix::shell;
using pellix::test::crlf;
using pellix::test::settingsFile;

namespace {

// Ways in which a settings recovery cannot restore a file.
enum class RecoveryFault { DefaultMissing, FolderIsAFile, BackupBlocked, CopyNotWritten };

}  // namespace

// A window that counts its loads and can refuse to open.
class ProbeWindow : public Window {
    Q_OBJECT
  public:
    explicit ProbeWindow(AppContext& ctx) : Window(ctx, Kind::Child) {}
    void Form_Load() override {
        ++loads;
        if (failLoad) Unload();
    }
    static inline int loads = 0;
    static inline bool failLoad = false;
};

class tst_shell : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void versionText_data();
    void versionText();
    void kernelRelease_data();
    void kernelRelease();

    void firstStartWithoutFolder();
    void secondStart();
    void c5255Layout_data();
    void c5255Layout();
    void missingOutputFileKeepsDatabaseSettings();
    void shortFileIsKeptAsBackup();
    void recoveryThatCannotRestore_data();
    void recoveryThatCannotRestore();
    void missingDefaultOfReadableFileIsNoFailure();
    void settingsFolderInOtherLetterCase();

    void registryShowRaisesWithoutReloading();
    void registryFieldReadLoadsWithoutShowing();
    void registryClosedWindowLoadsAnew();
    void registryRefusedLoad();
    void registryWindowNeverAddedFailsLoudly();

    void countButtonFailureLeavesNoWaitWindow();
    void mainWindowFrame();
    void mainPageOpensSecondMenuScreen();

  private:
    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<WindowRegistry> windows_;

    std::unique_ptr<Form1> loadForm1() {
        auto form = std::make_unique<Form1>(windows_->context());
        form->Form_Load();
        return form;
    }
};

void tst_shell::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    services_ = std::make_unique<test::TestServices>();
    windows_ = test::programWindows(*services_);
    windows_->add<ProbeWindow>();
    ProbeWindow::loads = 0;
    ProbeWindow::failLoad = false;
}

void tst_shell::cleanup() {
    windows_.reset();
    services_.reset();
    home_.reset();
}

void tst_shell::versionText_data() {
    QTest::addColumn<uint>("platform");
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("build");
    QTest::addColumn<QString>("text");
    QTest::newRow("platform 1") << 1u << 4u << 10u << 2222u << "Windows 95 or Windows 98";
    QTest::newRow("platform 2") << 2u << 5u << 1u << 2600u << "5.1 (2600)";
    QTest::newRow("build above 65535") << 2u << 6u << 1u << 70000u << "6.1 (4464)";
    QTest::newRow("build of all ones") << 2u << 10u << 0u << 0xFFFFFFFFu << "10.0 (65535)";
    QTest::newRow("other platform") << 3u << 6u << 1u << 0u << "";
    QTest::newRow("platform 0") << 0u << 6u << 1u << 0u << "";
}

void tst_shell::versionText() {
    QFETCH(uint, platform);
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, build);
    QFETCH(QString, text);
    QCOMPARE(shell::versionText({major, minor, build, platform}), text);
}

void tst_shell::kernelRelease_data() {
    QTest::addColumn<QByteArray>("release");
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("build");
    QTest::newRow("debian") << QByteArray("6.1.0-18-amd64") << 6u << 1u << 0u;
    QTest::newRow("three numbers") << QByteArray("5.10.102.1-generic-lts") << 5u << 10u << 102u;
    QTest::newRow("two numbers") << QByteArray("6.18-rc1") << 6u << 18u << 0u;
    QTest::newRow("garbage") << QByteArray("unknown") << 0u << 0u << 0u;
}

void tst_shell::kernelRelease() {
    QFETCH(QByteArray, release);
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, build);
    const auto info = platform::UnameOsVersion::fromRelease(release.constData());
    QCOMPARE(info.platformId, 2u);
    QCOMPARE(info.majorVersion, major);
    QCOMPARE(info.minorVersion, minor);
    QCOMPARE(info.buildNumber, build);
}

void tst_shell::firstStartWithoutFolder() {
    services_->osVersion.info = {5, 1, 2600, 2};
    auto form = loadForm1();
    // The open fails, then both reads of the same file fail: three recoveries.
    QCOMPARE(form->recoveries(), 3);
    QCOMPARE(form->Label12->text(), kRecoveryMessage);
    QCOMPARE(form->Label4->text(), QString());
    QCOMPARE(form->Label7->text(), test::defaultsDir() + "/sample.xls");
    QCOMPARE(form->Label15->text(), QString("sheet1"));
    QCOMPARE(form->Label11->text(), QString("5.1 (2600)"));
    QCOMPARE(form->Textuser->text(), QString("Text1"));
    QCOMPARE(QDir(home_->settingsDir()).entryList(QDir::Files),
             (QStringList{"pimraconfig.txt", "pimraconfig2.txt", "pimraconfig4.txt",
                          "pimraconfig5.txt"}));
    for (const char* f :
         {"pimraconfig.txt", "pimraconfig2.txt", "pimraconfig4.txt", "pimraconfig5.txt"}) {
        QFile def(test::defaultsDir() + "/" + f);
        QVERIFY(def.open(QIODevice::ReadOnly));
        QCOMPARE(home_->readFile(f), def.readAll());
    }
}

void tst_shell::secondStart() {
    loadForm1();
    auto form = loadForm1();
    QCOMPARE(form->recoveries(), 0);
    QCOMPARE(form->Label12->text(), QString());
    QCOMPARE(form->Label4->text(), QStringLiteral("税込価格"));
    QCOMPARE(form->Label15->text(), QString("sheet1"));
    QCOMPARE(form->Texttb->text(), QString("sheet1"));
}

void tst_shell::c5255Layout_data() {
    QTest::addColumn<QString>("title2");
    QTest::newRow("marker") << settings::kC5255Marker;
    QTest::newRow("replacement text itself") << settings::kC5255Running;
}

void tst_shell::c5255Layout() {
    QFETCH(QString, title2);
    home_->installDefaults();
    home_->writeFile(
        settings::kOutputFile,
        settingsFile(settings::outputHeader(), {QStringLiteral("自社"), title2, "9", "0"}));
    QStringList pos{"dbone", "dbtwo"};
    while (pos.size() < 99) pos << "0";
    home_->writeFile(settings::kPositionFile, settingsFile(settings::positionHeader(), pos));
    auto form = loadForm1();
    QCOMPARE(form->recoveries(), 0);
    QCOMPARE(form->Label4->text(), settings::kC5255Running);
    QCOMPARE(form->Textdb->text(), QString("dbone"));
    QCOMPARE(form->Textuser->text(), QString("dbtwo"));
    QCOMPARE(form->Label7->text(), QString());
    QCOMPARE(form->Label15->text(), QString());
    QCOMPARE(form->Texttb->text(), QString("Text1"));
}

void tst_shell::missingOutputFileKeepsDatabaseSettings() {
    home_->installDefaults();
    QFile::remove(home_->settingsDir() + "/pimraconfig4.txt");
    const QByteArray mine =
        settingsFile(settings::databaseHeader(),
                     {"/srv/shop/items.xls", QStringLiteral("在庫"), "select * from "});
    home_->writeFile(settings::kDatabaseFile, mine);

    auto form = loadForm1();
    QVERIFY(form->recoveries() >= 1);
    QCOMPARE(form->Label12->text(), kRecoveryMessage);
    QCOMPARE(home_->readFile(settings::kDatabaseFile), mine);
    QCOMPARE(form->Label7->text(), QString("/srv/shop/items.xls"));
    QCOMPARE(form->Label15->text(), QStringLiteral("在庫"));
    QVERIFY(QFileInfo::exists(home_->settingsDir() + "/pimraconfig4.txt"));
    QVERIFY(!QFileInfo::exists(home_->settingsDir() + "/pimraconfig2.txt.bak"));
}

void tst_shell::shortFileIsKeptAsBackup() {
    home_->installDefaults();
    const QByteArray shortFile = crlf("\"TITLE1\",\"TITLE2\",\"YOSHI\",\"PRINTER\"\n");
    home_->writeFile(settings::kOutputFile, shortFile);
    auto form = loadForm1();
    QCOMPARE(form->recoveries(), 1);  // only the read of the value record failed
    QCOMPARE(form->Label12->text(), kRecoveryMessage);
    QCOMPARE(home_->readFile("pimraconfig4.txt.bak"), shortFile);
    QFile def(test::defaultsDir() + "/pimraconfig4.txt");
    QVERIFY(def.open(QIODevice::ReadOnly));
    QCOMPARE(home_->readFile(settings::kOutputFile), def.readAll());
    QCOMPARE(form->Label7->text(), test::defaultsDir() + "/sample.xls");
}

void tst_shell::recoveryThatCannotRestore_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("file");    // a file the message must name
    QTest::addColumn<QString>("reason");  // what the message must say went wrong
    QTest::newRow("default file missing")
        << int(RecoveryFault::DefaultMissing) << "pimraconfig4.txt"
        << "初期設定ファイルがありません";
    QTest::newRow("settings folder cannot be created")
        << int(RecoveryFault::FolderIsAFile) << "pimraconfig4.txt"
        << "作成できません";
    QTest::newRow("damaged file cannot be set aside")
        << int(RecoveryFault::BackupBlocked) << "pimraconfig4.txt"
        << "退避できません";
    QTest::newRow("copy cannot be written")
        << int(RecoveryFault::CopyNotWritten) << "pimraconfig2.txt"
        << "書き込めません";
}

void tst_shell::recoveryThatCannotRestore() {
    QFETCH(int, fault);
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QTemporaryDir defaults;
    for (const char* f :
         {"pimraconfig.txt", "pimraconfig2.txt", "pimraconfig4.txt", "pimraconfig5.txt"})
        QVERIFY(QFile::copy(test::defaultsDir() + "/" + f, defaults.path() + "/" + f));
    services_->services.defaultsDir = defaults.path();
    std::optional<test::FileSizeLimit> limit;
    switch (RecoveryFault(fault)) {
        case RecoveryFault::DefaultMissing:
            QVERIFY(QFile::remove(defaults.path() + "/pimraconfig4.txt"));
            break;
        case RecoveryFault::FolderIsAFile: {
            // A file where the settings folder belongs: no user, root included, can create it.
            QFile blocker(home_->settingsDir());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            break;
        }
        case RecoveryFault::BackupBlocked:
            home_->installDefaults();
            home_->writeFile(settings::kOutputFile,
                             crlf("\"TITLE1\",\"TITLE2\",\"YOSHI\",\"PRINTER\"\n"));
            // A non-empty folder under the backup's name keeps the damaged file from being moved
            // aside.
            QVERIFY(QDir().mkpath(home_->settingsDir() + "/pimraconfig4.txt.bak/kept"));
            break;
        case RecoveryFault::CopyNotWritten:
            limit.emplace(8);  // no default file fits
            QVERIFY(limit->active());
            break;
    }

    auto form = loadForm1();
    QVERIFY(form->recoveries() >= 1);
    const QString message = form->Label12->text();
    QVERIFY2(message != kRecoveryMessage, qPrintable(message));
    QVERIFY2(message.contains(file), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QVERIFY2(message.contains(defaults.path()), qPrintable(message));

    const RecoveryReport again = recoverSettings(defaults.path());
    QVERIFY(!again.ok());
    QVERIFY(std::any_of(again.failed.cbegin(), again.failed.cend(),
                        [&](const RecoveryFailure& f) { return f.file == file; }));
    QCOMPARE(again.message(), message);
}

void tst_shell::missingDefaultOfReadableFileIsNoFailure() {
    // Only pimraconfig4.txt needs restoring; the default of a file that reads is not needed.
    QTemporaryDir defaults;
    for (const char* f : {"pimraconfig.txt", "pimraconfig2.txt", "pimraconfig4.txt"})
        QVERIFY(QFile::copy(test::defaultsDir() + "/" + f, defaults.path() + "/" + f));
    services_->services.defaultsDir = defaults.path();
    home_->installDefaults();
    QVERIFY(QFile::remove(home_->settingsDir() + "/pimraconfig4.txt"));

    auto form = loadForm1();
    QCOMPARE(form->recoveries(), 3);  // the open and both reads of the missing file
    QCOMPARE(form->Label12->text(), kRecoveryMessage);
    QVERIFY(QFileInfo::exists(home_->settingsDir() + "/pimraconfig4.txt"));
}

void tst_shell::settingsFolderInOtherLetterCase() {
    // A settings folder copied from a system that writes the names in capitals.
    const QStringList names{"PIMRACONFIG.TXT", "PIMRACONFIG2.TXT", "PIMRACONFIG4.TXT",
                            "PIMRACONFIG5.TXT"};
    for (const QString& name : names) {
        QFile def(test::defaultsDir() + "/" + name.toLower());
        QVERIFY(def.open(QIODevice::ReadOnly));
        home_->writeFile(name, def.readAll());
    }
    const QByteArray mine =
        settingsFile(settings::databaseHeader(),
                     {"/srv/shop/items.xls", QStringLiteral("在庫"), "select * from "});
    home_->writeFile("PIMRACONFIG2.TXT", mine);

    auto form = loadForm1();
    QCOMPARE(form->recoveries(), 0);
    QCOMPARE(form->Label12->text(), QString());
    QCOMPARE(form->Label4->text(), QStringLiteral("税込価格"));
    QCOMPARE(form->Label7->text(), QString("/srv/shop/items.xls"));
    QCOMPARE(form->Label15->text(), QStringLiteral("在庫"));

    // Files that do not read are restored under the names they already have.
    home_->writeFile("PIMRACONFIG4.TXT", crlf("\"TITLE1\",\"TITLE2\",\"YOSHI\",\"PRINTER\"\n"));
    const RecoveryReport report = recoverSettings(test::defaultsDir());
    QCOMPARE(report.restored, QStringList{"pimraconfig4.txt"});
    QCOMPARE(home_->readFile("PIMRACONFIG2.TXT"), mine);
    QStringList expected = names;
    expected << "PIMRACONFIG4.TXT.bak";
    expected.sort();
    QCOMPARE(QDir(home_->settingsDir()).entryList(QDir::Files, QDir::Name), expected);
}

void tst_shell::registryShowRaisesWithoutReloading() {
    ProbeWindow* first = windows_->show<ProbeWindow>();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(windows_->show<ProbeWindow>(), first);
    QCOMPARE(ProbeWindow::loads, 1);
}

void tst_shell::registryFieldReadLoadsWithoutShowing() {
    ProbeWindow* w = windows_->load<ProbeWindow>();
    QVERIFY(w);
    QCOMPARE(ProbeWindow::loads, 1);
    QVERIFY(!w->isVisible());
    QCOMPARE(windows_->load<ProbeWindow>(), w);
    QCOMPARE(windows_->show<ProbeWindow>(), w);  // showing a loaded window does not load it again
    QVERIFY(w->isVisible());
    QCOMPARE(ProbeWindow::loads, 1);
}

void tst_shell::registryClosedWindowLoadsAnew() {
    QPointer<ProbeWindow> w = windows_->show<ProbeWindow>();
    QVERIFY(w->close());
    QVERIFY(!windows_->find<ProbeWindow>());
    QTRY_VERIFY(w.isNull());  // destroyed
    ProbeWindow* again = windows_->show<ProbeWindow>();
    QVERIFY(again);
    QCOMPARE(ProbeWindow::loads, 2);
}

void tst_shell::registryRefusedLoad() {
    ProbeWindow::failLoad = true;
    QVERIFY(!windows_->show<ProbeWindow>());
    QVERIFY(!windows_->find<ProbeWindow>());
}

// A window the registry was never given. Showing it is a fault of the program: a critical
// message, nullptr, and in a debug build an assertion that stops the program. The check runs in
// a child process of this test, so that the assertion can be seen.
void tst_shell::registryWindowNeverAddedFailsLoudly() {
    if (qEnvironmentVariableIsSet("PELLIX_TEST_NEVER_ADDED")) {
        WindowRegistry bare(services_->services, services_->printerChoice, services_->run);
        const bool shown = bare.show<ProbeWindow>() != nullptr;
        std::printf("shown: %s, loads: %d\n", shown ? "yes" : "no", ProbeWindow::loads);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELLIX_TEST_NEVER_ADDED"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("registryWindowNeverAddedFailsLoudly")});
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAll());
    QVERIFY2(out.contains(QStringLiteral("window ProbeWindow was never added to the registry")),
             qPrintable(out));
#ifdef QT_NO_DEBUG
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(out.contains(QStringLiteral("shown: no, loads: 0")), qPrintable(out));
#else
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY2(!out.contains(QStringLiteral("shown:")), qPrintable(out));
#endif
}

void tst_shell::countButtonFailureLeavesNoWaitWindow() {
    // The record count window fails its load on a workbook that is not there.
    home_->installDefaults();
    home_->writeFile(settings::kDatabaseFile,
                     settingsFile(settings::databaseHeader(),
                                  {test::testData("gone.xls"), "sheet1", "select * from "}));
    bool waitShownDuringLoad = false;
    services_->messages.whileShown = [&](const test::ShownMessage&) {
        waitShownDuringLoad = windows_->find<Form8>() && windows_->find<Form8>()->isVisible();
    };
    auto form = loadForm1();
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QVERIFY(waitShownDuringLoad);
    QVERIFY(!windows_->find<Form8>());
    QCOMPARE(form->Label12->text(), QStringLiteral("DBの設定が不正です。設定し直して下さい"));
}

void tst_shell::mainWindowFrame() {
    frmMain main(windows_->context());
    main.MDIForm_Load();
    main.show();
    QCOMPARE(main.windowTitle(), QStringLiteral("Pellix  Va2.0.6　ｵﾝﾗｲﾝｿﾌﾄ"));
    QCOMPARE(main.mdiArea()->width(), twips(11880));
    QCOMPARE(main.sbStatusBar->text->text(), QStringLiteral("ｽﾃｰﾀｽ"));
    QVERIFY(!main.sbStatusBar->date->text().isEmpty());
    QVERIFY(!main.sbStatusBar->time->text().isEmpty());
    const auto subs = main.mdiArea()->subWindowList();
    QCOMPARE(subs.size(), 1);
    auto* menu = qobject_cast<Form1*>(subs[0]->widget());
    QVERIFY(menu);
    QCOMPARE(menu->windowTitle(), QStringLiteral("メインメニュー　　Va2.0.6"));
    QCOMPARE(subs[0]->pos(), QPoint(twips(10), twips(10)));
    QCOMPARE(menu->size(), QSize(twips(8835), twips(6630)));
    QCOMPARE(menu->Command3->text(), QStringLiteral("Excel接続　==>　件数表示"));
    QCOMPARE(menu->Command3->geometry(), twipsRect(2160, 240, 3015, 540));

    QAction* toolbar = main.findChild<QAction*>("mnuViewToolbar");
    QVERIFY(toolbar && toolbar->isChecked());
    toolbar->trigger();
    QVERIFY(toolbar->isChecked());

    main.findChild<QAction*>("mnuFileExit")->trigger();
    QVERIFY(!main.isVisible());
}

void tst_shell::mainPageOpensSecondMenuScreen() {
    frmMain main(windows_->context());
    main.MDIForm_Load();
    main.show();
    home_->writeFile(
        settings::kDatabaseFile,
        settingsFile(settings::databaseHeader(), {"/new/path.xls", "sheetX", "select * from "}));
    main.findChild<QAction*>("main1")->trigger();
    QCOMPARE(main.mdiArea()->subWindowList().size(), 2);
    Form1* shared = windows_->find<Form1>();
    QVERIFY(shared);
    QCOMPARE(shared->Label7->text(), QString("/new/path.xls"));
    main.findChild<QAction*>("main1")->trigger();
    QCOMPARE(main.mdiArea()->subWindowList().size(), 2);
}

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
