// The version, online help, online support and Excel sample windows: what they show, where they
// open, and the pages their buttons open.
#include "app/Windows.h"
#include "datasource/windows/setOracle.h"
#include "info/SampleSheet.h"
#include "info/windows/Form10.h"
#include "info/windows/Form12.h"
#include "info/windows/Form9.h"
#include "info/windows/frmAbout.h"
#include "platform/Barcode.h"
#include "platform/Fonts.h"
#include "platform/Services.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace pellix;
using shell::twips;

namespace {

// An opener that finds no browser.
class FailingUrlOpener final : public platform::UrlOpener {
  public:
    bool open(const QUrl& url) override {
        opened << url;
        return false;
    }
    QList<QUrl> opened;
};

// The windows over test services, in a main window of their own.
struct Windows {
    explicit Windows(bool browserFails = false)
        : services{.messages = doubles.messages,
                   .osVersion = doubles.osVersion,
                   .urls = browserFails ? static_cast<platform::UrlOpener&>(failing) : doubles.urls,
                   .printers = doubles.printers,
                   .printSetup = doubles.printSetup,
                   .fileDialogs = doubles.fileDialogs,
                   .defaultsDir = doubles.services.defaultsDir} {
        main.setCentralWidget(mdi);
        main.resize(1000, 800);
        main.show();
        registry->setMdiArea(mdi);
    }
    shell::Window* show(const QString& name) {
        for (const QMetaObject* type : registry->added())
            if (QLatin1String(type->className()).endsWith(QStringLiteral("::") + name))
                return registry->show(*type);
        return nullptr;
    }
    QList<QUrl> opened() const { return failing.opened + doubles.urls.opened; }

    test::TestServices doubles;
    FailingUrlOpener failing;
    platform::Services services;
    std::unique_ptr<shell::WindowRegistry> registry = [this] {
        auto r =
            std::make_unique<shell::WindowRegistry>(services, doubles.printerChoice, doubles.run);
        app::registerWindows(*r);
        return r;
    }();
    QMainWindow main;
    QMdiArea* mdi = new QMdiArea;
};

// Every text a window shows, by control, to see that nothing changed.
QMap<QString, QString> textsOf(QWidget* window) {
    QMap<QString, QString> texts;
    texts.insert(QStringLiteral("caption"), window->windowTitle());
    for (QLabel* l : window->findChildren<QLabel*>()) texts.insert(l->objectName(), l->text());
    for (QPushButton* b : window->findChildren<QPushButton*>())
        texts.insert(b->objectName(), b->text());
    return texts;
}

}  // namespace

class tst_info : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { platform::installFontSubstitutions(); }

    void frame_data();
    void frame();
    void fixedText_data();
    void fixedText();
    void aboutNotes();
    void pageButton_data();
    void pageButton();
    void aboutOk_data();
    void aboutOk();
    void sampleWindowOpensOnce();
    void sampleFromDatabaseDialogOpensOnce();
    void sampleWorksheet();
};

void tst_info::frame_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("child");
    QTest::addColumn<QSize>("clientTwips");
    QTest::newRow("frmAbout") << "frmAbout" << QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報") << true
                              << QSize(5805, 5175);
    QTest::newRow("Form9") << "Form9" << QStringLiteral("オンラインヘルプサイト紹介") << false
                           << QSize(4680, 1500);
    QTest::newRow("Form10") << "Form10" << QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄ紹介") << false
                            << QSize(4680, 1455);
    QTest::newRow("Form12") << "Form12" << QStringLiteral("Excelファイルサンプル") << false
                            << QSize(8400, 6120);
}

void tst_info::frame() {
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(bool, child);
    QFETCH(QSize, clientTwips);
    Windows w;
    shell::Window* shown = w.show(window);
    QVERIFY(shown);
    QCOMPARE(shown->objectName(), window);
    QCOMPARE(shown->windowTitle(), caption);
    QCOMPARE(shown->size(), QSize(twips(clientTwips.width()), twips(clientTwips.height())));
    QVERIFY(shown->isVisible());
    if (child) {
        // Inside the main window, without maximise and minimise buttons.
        auto* sub = qobject_cast<QMdiSubWindow*>(shown->parentWidget());
        QVERIFY(sub);
        QCOMPARE(sub->mdiArea(), w.mdi);
        QCOMPARE(sub->windowTitle(), caption);
        QVERIFY(!(sub->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(sub->windowFlags() & Qt::WindowMaximizeButtonHint));
    } else {
        // A window of its own, owned by the main window.
        QVERIFY(shown->isWindow());
        QCOMPARE(shown->parentWidget(), &w.main);
    }
    QVERIFY(w.doubles.messages.shown.isEmpty());
    QVERIFY(w.opened().isEmpty());
}

void tst_info::fixedText_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* window, const char* control, const QString& text) {
        QTest::addRow("%s.%s", window, control) << window << control << text;
    };
    row("frmAbout", "lblTitle", QStringLiteral("Pellix"));
    row("frmAbout", "lblVersion", QStringLiteral("ﾊﾞｰｼﾞｮﾝ　2.0.6 2004/11修正"));
    row("frmAbout", "Label1", QStringLiteral("製造元　Pellix Labs"));
    row("frmAbout", "cmdOK", QStringLiteral("OK"));
    row("frmAbout", "Command1", QStringLiteral("ﾚｲｱｳﾄ作成依頼"));
    row("Form9", "Label1", QStringLiteral("ｵﾝﾗｲﾝﾍﾙﾌﾟはｲﾝﾀｰﾈｯﾄへの接続が必要です"));
    row("Form9", "Label2", QStringLiteral("https://pellix.example.com/exc.htm"));
    row("Form9", "Command1", QStringLiteral("画面を開く"));
    row("Form10", "Label1", QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄはｲﾝﾀｰﾈｯﾄへの接続が必要です"));
    row("Form10", "Label2", QStringLiteral("https://pellix.example.com/qqq.htm"));
    row("Form10", "Command1", QStringLiteral("画面を開く"));
    row("Form12", "Label1", QStringLiteral("Excelデータファイル作成　サンプル"));
    row("Form12", "Command1", QStringLiteral("閉じる"));
}

void tst_info::fixedText() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, text);
    Windows w;
    shell::Window* shown = w.show(window);
    QVERIFY(shown);
    const QMap<QString, QString> texts = textsOf(shown);
    QVERIFY2(texts.contains(control), qPrintable(control));
    QCOMPARE(texts.value(control), text);
    if (auto* label = shown->findChild<QLabel*>(control)) QVERIFY(label->isVisible());
}

void tst_info::aboutNotes() {
    Windows w;
    auto* about = static_cast<info::frmAbout*>(w.show(QStringLiteral("frmAbout")));
    QVERIFY(about);
    QVERIFY(about->lblTitle->font().bold());
    QVERIFY(about->lblDescription->text().contains(QStringLiteral("バーコードラベル")));
    QVERIFY(about->lblDescription->text().contains(QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄ")));
    QVERIFY(about->lblDisclaimer->text().contains(QStringLiteral("プリンター")));
    QVERIFY(about->lblDisclaimer->text().contains(QStringLiteral("標準ﾀｲﾌﾟ")));
    QVERIFY(about->lblDisclaimer->text().contains(QStringLiteral("ﾚｲｱｳﾄ作成依頼")));
    QVERIFY(!about->picIcon->pixmap().isNull());
    // Both notes fit their labels: nothing is cut off at the bottom.
    for (QLabel* l : {about->lblDescription, about->lblDisclaimer})
        QVERIFY2(l->heightForWidth(l->width()) <= l->height(), qPrintable(l->objectName()));
}

void tst_info::pageButton_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QUrl>("address");
    QTest::addColumn<bool>("browserFails");
    const QUrl order(QStringLiteral("https://pellix.example.com/pppmail2/form.html"));
    const QUrl help(QStringLiteral("https://pellix.example.com/exc.htm"));
    const QUrl support(QStringLiteral("https://pellix.example.com/qqq.htm"));
    for (const bool fails : {false, true}) {
        const char* how = fails ? "no browser" : "browser";
        QTest::addRow("frmAbout layout order, %s", how) << "frmAbout"
                                                        << "Command1" << order << fails;
        QTest::addRow("Form9 online help, %s", how) << "Form9"
                                                    << "Command1" << help << fails;
        QTest::addRow("Form10 online support, %s", how) << "Form10"
                                                        << "Command1" << support << fails;
    }
}

void tst_info::pageButton() {
    QFETCH(QString, window);
    QFETCH(QString, button);
    QFETCH(QUrl, address);
    QFETCH(bool, browserFails);
    Windows w(browserFails);
    QPointer<shell::Window> shown = w.show(window);
    QVERIFY(shown);
    const QMap<QString, QString> before = textsOf(shown);
    QTest::mouseClick(shown->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(w.opened(), QList<QUrl>{address});
    // Whether or not a browser took the page, the window stays as it was and nothing is said.
    QCoreApplication::processEvents();
    QVERIFY(shown);
    QVERIFY(shown->isVisible());
    QCOMPARE(textsOf(shown), before);
    QVERIFY(w.doubles.messages.shown.isEmpty());
}

void tst_info::aboutOk_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("pagesOpened");
    QTest::newRow("OK clicked") << "click" << true << 0;
    QTest::newRow("Enter: OK is the default button") << "enter" << true << 0;
    QTest::newRow("Escape: OK is the cancel button") << "escape" << true << 0;
    QTest::newRow("Enter on the focused order button") << "enter on Command1" << false << 1;
}

void tst_info::aboutOk() {
    QFETCH(QString, how);
    QFETCH(bool, closes);
    QFETCH(int, pagesOpened);
    Windows w;
    QPointer<info::frmAbout> about =
        static_cast<info::frmAbout*>(w.show(QStringLiteral("frmAbout")));
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowActive(&w.main));
    if (how == QLatin1String("click")) {
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    } else if (how == QLatin1String("enter on Command1")) {
        about->Command1->setFocus();
        QTest::keyClick(about->Command1, Qt::Key_Return);
    } else {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus && (focus == about || about->isAncestorOf(focus)));
        QTest::keyClick(focus, how == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Escape);
    }
    QCOMPARE(w.doubles.urls.opened.size(), pagesOpened);
    QCOMPARE(w.registry->find<info::frmAbout>() == nullptr, closes);
    if (closes) QTRY_VERIFY(about.isNull());
}

void tst_info::sampleWindowOpensOnce() {
    Windows w;
    QPointer<info::Form12> first = w.registry->show<info::Form12>();
    QVERIFY(first);
    // Its load places it at 30, 30 twips.
    QCOMPARE(first->pos(), QPoint(twips(30), twips(30)));
    QCOMPARE(w.registry->show<info::Form12>(), first.data());
    int shown = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<info::Form12*>(top) && top->isVisible()) ++shown;
    QCOMPARE(shown, 1);
    QTest::mouseClick(first->Command1, Qt::LeftButton);
    QVERIFY(!w.registry->find<info::Form12>());
    QTRY_VERIFY(first.isNull());
}

void tst_info::sampleFromDatabaseDialogOpensOnce() {
    test::TempConfigHome home;
    home.installDefaults();
    Windows w;
    auto* dialog = w.registry->show<datasource::setOracle>();
    QVERIFY(dialog);
    QVERIFY(dialog->Command1->isEnabled());
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    QPointer<info::Form12> sample = w.registry->find<info::Form12>();
    QVERIFY(sample && sample->isVisible());
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    QCOMPARE(w.registry->find<info::Form12>(), sample.data());
    int shown = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<info::Form12*>(top) && top->isVisible()) ++shown;
    QCOMPARE(shown, 1);
    // The dialog stays open beside it, and nothing was said.
    QVERIFY(w.registry->find<datasource::setOracle>() == dialog && dialog->isVisible());
    QVERIFY(w.doubles.messages.shown.isEmpty());
}

void tst_info::sampleWorksheet() {
    QCOMPARE(info::sampleColumns(),
             (QStringList{QStringLiteral("バーコード"), QStringLiteral("品名"),
                          QStringLiteral("名称"), QStringLiteral("価格")}));
    const QList<info::SampleItem> items = info::sampleItems();
    QVERIFY(items.size() >= 3);
    for (const info::SampleItem& item : items) {
        // A valid JAN number, as a label would print it.
        QCOMPARE(item.barcode.size(), 13);
        const auto digits = platform::janDigits("JAN-" + item.barcode.toLatin1());
        QVERIFY2(digits && *digits == item.barcode.toLatin1(), qPrintable(item.barcode));
        QVERIFY(!item.category.isEmpty());
        QVERIFY(!item.name.isEmpty());
        bool number = false;
        QVERIFY(item.price.toInt(&number) > 0 && number);
    }

    const QImage picture = info::sampleSheetPicture();
    QCOMPARE(picture.size(), QSize(453, 248));
    // Drawn: dark text and lines on the light sheet, not an empty picture.
    int dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) dark += qGray(picture.pixel(x, y)) < 96;
    QVERIFY2(dark > 1000, qPrintable(QString::number(dark)));

    Windows w;
    auto* window = w.registry->show<info::Form12>();
    QVERIFY(window);
    QCOMPARE(window->Picture1->pixmap().size(), QSize(453, 248));
    QCOMPARE(window->Picture1->contentsRect().size(), QSize(453, 248));
}

QTEST_MAIN(tst_info)
#include "tst_info.moc"
