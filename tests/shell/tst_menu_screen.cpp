// The main menu screen laid out as the operator sees it: every control's text, place and size
// in twips, face, size and colours, and which control covers which.
#include "platform/Fonts.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace pellix;
using shell::twipsRect;

namespace {

const QColor kScreen(192, 255, 255);
const QColor kNone;  // no colour of its own

}  // namespace

class tst_menu_screen : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void screen();
    void control_data();
    void control();
    void stacking();

  private:
    std::unique_ptr<test::TempConfigHome> home_;
    std::unique_ptr<test::TestServices> services_;
    std::unique_ptr<shell::WindowRegistry> windows_;
    std::unique_ptr<shell::Form1> form_;
    QImage picture_;
};

void tst_menu_screen::initTestCase() {
    platform::installFontSubstitutions();
}

void tst_menu_screen::init() {
    home_ = std::make_unique<test::TempConfigHome>();
    home_->installDefaults();
    services_ = std::make_unique<test::TestServices>();
    services_->osVersion.info = {5, 1, 2600, 2};
    windows_ = test::programWindows(*services_);
    form_ = std::make_unique<shell::Form1>(windows_->context());
    form_->Form_Load();
    form_->show();
    picture_ = form_->grab().toImage();
}

void tst_menu_screen::cleanup() {
    form_.reset();
    windows_.reset();
    services_.reset();
    home_.reset();
}

void tst_menu_screen::screen() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("メインメニュー　　Va2.0.6"));
    QCOMPARE(form_->size(), QSize(shell::twips(8835), shell::twips(6630)));
    QCOMPARE(form_->kind(), shell::Window::Kind::Child);
    QCOMPARE(form_->placement(), QPoint(shell::twips(10), shell::twips(10)));
    QCOMPARE(picture_.pixelColor(2, 2), kScreen);
}

void tst_menu_screen::control_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");  // left, top, width, height
    QTest::addColumn<bool>("inFrame");
    QTest::addColumn<QString>("face");  // empty: the screen's own
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("backColour");  // a label's background, a button's face

    const QColor blue(0, 0, 192);
    const QColor cyanFace(128, 255, 255);
    const QColor lilacFace(192, 192, 255);
    const QColor greenText(0, 64, 0);
    const QColor greenBack(192, 255, 192);
    const QString gothic = platform::kGothic;
    const QString pGothic = platform::kPGothic;
    const QString pMincho = platform::kPMincho;
    const auto row = [](const char* name, const QString& text, QRect r, bool inFrame,
                        const QString& face, double points, bool bold, QColor textColour,
                        QColor back) {
        QTest::newRow(name) << QString::fromLatin1(name) << text << r << inFrame << face << points
                            << bold << textColour << back;
    };
    const QString workbook = test::defaultsDir() + QStringLiteral("/sample.xls");
    // clang-format off
    row("Label2",   QStringLiteral("Pellix メインメニュー"),    {1920, 120, 4335, 375},  false, pGothic, 12,    true,  blue,      kNone);
    row("Frame1",   QStringLiteral("発行前確認"),               {240, 720, 8175, 3855},  false, {},      9,     false, kNone,     kNone);
    row("Label1",   QStringLiteral("データ件数"),               {240, 360, 1695, 255},   true,  {},      9,     false, kNone,     kNone);
    row("Command3", QStringLiteral("Excel接続　==>　件数表示"), {2160, 240, 3015, 540},  true,  gothic,  9.75,  true,  kNone,     cyanFace);
    row("Label6",   QStringLiteral("Excelファイルパス"),        {240, 840, 1695, 255},   true,  {},      9,     false, kNone,     kNone);
    row("Label7",   workbook,                                   {2160, 840, 5055, 375},  true,  gothic,  9.75,  true,  blue,      kNone);
    row("Label14",  QStringLiteral("シート名"),                 {240, 1320, 1695, 255},  true,  {},      9,     false, kNone,     kNone);
    row("Label15",  QStringLiteral("sheet1"),                   {2160, 1320, 4335, 375}, true,  pGothic, 9.75,  true,  blue,      kNone);
    row("Label8",   QStringLiteral("出力プリンター設定"),       {240, 1920, 1695, 255},  true,  {},      9,     false, kNone,     kNone);
    row("Command4", QStringLiteral("プリンター/用紙設定"),      {2160, 1800, 3015, 540}, true,  gothic,  9.75,  true,  kNone,     cyanFace);
    row("Label10",  QStringLiteral("OSバージョン"),             {240, 2640, 1695, 255},  true,  {},      9,     false, kNone,     kNone);
    row("Label11",  QStringLiteral("5.1 (2600)"),               {2160, 2640, 3375, 255}, true,  pGothic, 9.75,  true,  blue,      kNone);
    row("Label12",  QString(),                                  {240, 3120, 5295, 495},  true,  pMincho, 11.25, true,  QColor(255, 0, 0), kNone);
    row("Command1", QStringLiteral("発行開始"),                 {240, 4920, 2655, 615},  false, pGothic, 12,    true,  kNone,     lilacFace);
    row("Command5", QStringLiteral("部分発行"),                 {4800, 4920, 2535, 615}, false, pGothic, 12,    true,  kNone,     lilacFace);
    row("Label3",   QStringLiteral("DB by Excel"),              {6720, 6000, 1215, 255}, false, {},      9,     false, greenText, greenBack);
    row("Label4",   QStringLiteral("税込価格"),                 {5040, 5160, 1815, 255}, false, {},      9,     false, greenText, greenBack);
    // clang-format on
}

void tst_menu_screen::control() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    QFETCH(bool, inFrame);
    QFETCH(QString, face);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QColor, textColour);
    QFETCH(QColor, backColour);

    QWidget* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->parentWidget(), inFrame ? static_cast<QWidget*>(form_->Frame1) : form_.get());
    QCOMPARE(w->geometry(), twipsRect(twips.left(), twips.top(), twips.width(), twips.height()));

    QString shown;
    QPalette::ColorRole textRole = QPalette::WindowText;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        shown = label->text();
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        shown = button->text();
        textRole = QPalette::ButtonText;
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        shown = frame->title();
    }
    QCOMPARE(shown, text);

    // The face asked for, drawn in an IPA face; the screen's own face is IPA P Gothic 9 pt.
    const QFont font = w->font();
    QCOMPARE(font.family(), face.isEmpty() ? platform::kPGothic : face);
    QVERIFY2(QFontInfo(font).family().startsWith(QLatin1String("IPA")),
             qPrintable(QFontInfo(font).family()));
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);

    // Without a colour of its own, a text takes the system's text colour.
    const QColor system = QApplication::palette(w).color(QPalette::Active, textRole);
    QCOMPARE(w->palette().color(QPalette::Active, textRole),
             textColour.isValid() ? textColour : system);

    // Background or face as drawn, away from the text: a label's bottom right corner, a button's
    // face just inside its border. Without a colour of its own, a control shows the screen's.
    const QRect r = w->geometry().translated(w->parentWidget()->mapTo(form_.get(), QPoint()));
    const QPoint probe = qobject_cast<QPushButton*>(w) ? QPoint(r.left() + 6, r.center().y())
                                                       : r.bottomRight() - QPoint(2, 2);
    if (name == QLatin1String("Label4")) {
        // Under the 部分発行 button; its own colours are there for when it is seen.
        QCOMPARE(w->palette().color(QPalette::Window), backColour);
        QVERIFY(w->autoFillBackground());
        return;
    }
    QCOMPARE(picture_.pixelColor(probe), backColour.isValid() ? backColour : kScreen);
}

void tst_menu_screen::stacking() {
    // 部分発行 covers the layout marker entirely.
    QVERIFY(form_->Command5->geometry().contains(form_->Label4->geometry()));
    QCOMPARE(form_->childAt(form_->Label4->geometry().center()), form_->Command5);
    // The value holders lie under the frame and are never seen.
    for (QLineEdit* holder : {form_->Textdb, form_->Textuser, form_->Texttb}) {
        QVERIFY(!holder->isVisible());
        QVERIFY(form_->Frame1->geometry().contains(holder->geometry()));
    }
    QCOMPARE(form_->Textdb->geometry(), twipsRect(4680, 840, 975, 270));
    QCOMPARE(form_->Textuser->geometry(), twipsRect(4680, 1080, 735, 270));
    QCOMPARE(form_->Texttb->geometry(), twipsRect(4680, 1560, 855, 270));
}

QTEST_MAIN(tst_menu_screen)
#include "tst_menu_screen.moc"
