// The screenshot mode behind scripts/screenshots: a picture of the main window and of every
// window of the program, and a failure for any text that would draw a missing-glyph box or
// leave the IPA faces.
#include "app/ProgramLook.h"
#include "app/Screenshots.h"
#include "platform/Fonts.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/frmMain.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <memory>

using namespace pellix;

// A window with a text that no installed face can draw.
class UndrawableText : public shell::Window {
    Q_OBJECT
  public:
    explicit UndrawableText(shell::AppContext& ctx) : Window(ctx, Kind::Separate) {
        setWindowTitle(QStringLiteral("文字化け"));
        auto* label = new QLabel(QStringLiteral("私用領域 \uE000"), this);
        label->setObjectName(QStringLiteral("Label1"));
    }
};

class tst_screenshots : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { app::applyProgramLook(); }

    void glyphs_data();
    void glyphs();
    void everyWindow();
    void undrawableTextFails();

  private:
    // Runs the screenshot mode on the program's windows (and any extra window) over the sample
    // data; answers its exit status, the report and the folder.
    int run(QString& report, QTemporaryDir& folder, bool withUndrawable = false);
};

void tst_screenshots::glyphs_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("face");
    QTest::addColumn<QStringList>("problems");
    QTest::newRow("half-width kana and kanji")
        << QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報") << platform::kPGothic << QStringList();
    QTest::newRow("full-width space and yen")
        << QStringLiteral("価格　￥1,500") << platform::kGothic << QStringList();
    QTest::newRow("ASCII in another face")
        << QStringLiteral("DB by Excel") << QStringLiteral("DejaVu Sans") << QStringList();
    QTest::newRow("private use character")
        << QStringLiteral("a\uE000") << platform::kPGothic
        << QStringList{QStringLiteral("U+E000 (\uE000) draws a missing-glyph box")};
    QTest::newRow("unassigned plane 16 character, twice")
        << QString::fromUcs4(U"\U0010FFFDx\U0010FFFD") << platform::kMincho
        << QStringList{QString::fromUcs4(U"U+10FFFD (\U0010FFFD) draws a missing-glyph box")};
}

void tst_screenshots::glyphs() {
    QFETCH(QString, text);
    QFETCH(QString, face);
    QFETCH(QStringList, problems);
    QCOMPARE(app::glyphProblems(text, platform::namedFont(face, 9)), problems);
}

int tst_screenshots::run(QString& report, QTemporaryDir& folder, bool withUndrawable) {
    test::TempConfigHome home;
    home.installDefaults();
    test::TestServices services;
    auto windows = test::programWindows(services);
    if (withUndrawable) windows->add<UndrawableText>();
    shell::frmMain main(windows->context());
    main.MDIForm_Load();
    main.show();
    QTextStream out(&report);
    const int status = app::saveScreenshots(main, *windows, folder.path(), out);
    out.flush();
    // Every window's load went well: none of them said anything.
    if (!services.messages.shown.isEmpty()) return -1;
    return status;
}

void tst_screenshots::everyWindow() {
    QTemporaryDir folder;
    QString report;
    QCOMPARE(run(report, folder), 0);
    QVERIFY2(!report.contains(QLatin1String("FAIL")), qPrintable(report));

    test::TestServices services;
    const auto windows = test::programWindows(services);
    QStringList expected{QStringLiteral("frmMain")};
    for (const QMetaObject* type : windows->added())
        expected << QString::fromLatin1(type->className()).section(QStringLiteral("::"), -1);
    QVERIFY(expected.contains(QStringLiteral("frmAbout")));
    QVERIFY(expected.contains(QStringLiteral("Form12")));
    for (const QString& name : expected) {
        const QString path = folder.filePath(name + QStringLiteral(".png"));
        QVERIFY2(report.contains(path), qPrintable(name));
        const QImage picture(path);
        QVERIFY2(!picture.isNull(), qPrintable(path));
        // The window with its caption drawn above it.
        QVERIFY2(picture.width() >= 100 && picture.height() >= 60, qPrintable(path));
    }
    const QImage main(folder.filePath(QStringLiteral("frmMain.png")));
    QVERIFY(main.width() >= shell::twips(11880));
}

void tst_screenshots::undrawableTextFails() {
    QTemporaryDir folder;
    QString report;
    QCOMPARE(run(report, folder, true), 1);
    QVERIFY2(report.contains(QStringLiteral(
                 "FAIL UndrawableText.Label1 \"私用領域 \uE000\": U+E000 (\uE000) draws a "
                 "missing-glyph box")),
             qPrintable(report));
    // Everything else is still pictured.
    QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("UndrawableText.png"))));
    QCOMPARE(report.count(QLatin1String("FAIL")), 1);
}

QTEST_MAIN(tst_screenshots)
#include "tst_screenshots.moc"
