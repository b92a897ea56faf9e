#include "shell/windows/Form1.h"

#include "datasource/windows/Form6.h"
#include "info/WebPages.h"
#include "platform/Fonts.h"
#include "platform/OsVersion.h"
#include "platform/Services.h"
#include "printer/windows/Form17.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/F_CustInput2.h"
#include "settings/SettingsFile.h"
#include "shell/SettingsRecovery.h"
#include "shell/VersionText.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <array>
#include <vector>

namespace pellix::shell {
namespace {

const QColor kScreen(192, 255, 255);
const QColor kBlue(0, 0, 192);
const QColor kGreenText(0, 64, 0);
const QColor kGreenBack(192, 255, 192);

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, QRect geometry,
                        const QFont& font, const QColor& face) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setFont(font);
    // A flat face in the button's colour with a raised edge, pressed in while held; the face
    // keeps its colour while the button is disabled, only the text greys.
    b->setStyleSheet(
        QStringLiteral("QPushButton#%1 { background-color: %2; border: 2px outset %2; }"
                       "QPushButton#%1:pressed { border-style: inset; }")
            .arg(b->objectName(), face.name()));
    return b;
}

// A frame as the forms draw it: an etched rectangle with the caption on its top edge, all on the
// screen's own background (the style's group box tints its inside).
class EtchedFrame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics metrics(font());
        const QRect box = rect().adjusted(0, metrics.height() / 2, -2, -2);
        p.setPen(QColor(128, 128, 128));
        p.drawRect(box);
        p.setPen(Qt::white);
        p.drawRect(box.translated(1, 1));
        const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        p.fillRect(caption, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, title());
    }
};

// One holder per value position, with slot 0 for the header record and slot 1 for the values.
using Holders = std::vector<std::array<QString, 2>>;

QList<QString*> slotsOf(Holders& holders, int slot) {
    QList<QString*> out;
    for (auto& h : holders) out << &h[std::size_t(slot)];
    return out;
}

}  // namespace

Form1::Form1(AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("メインメニュー　　%1").arg(kProductVersion));
    setClientTwips(8835, 6630);
    setBackground(this, kScreen);
    // The screen's own font, which the controls without a font of their own take.
    setFont(platform::namedFont(platform::kPGothic, 9));

    // Value holders lie under the frame and are never seen.
    auto makeHolder = [this](const char* name, QRect geometry) {
        auto* t = new QLineEdit(QStringLiteral("Text1"), this);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(geometry);
        t->hide();
        return t;
    };
    Textdb = makeHolder("Textdb", twipsRect(4680, 840, 975, 270));
    Textuser = makeHolder("Textuser", twipsRect(4680, 1080, 735, 270));
    Texttb = makeHolder("Texttb", twipsRect(4680, 1560, 855, 270));

    Label2 = makeLabel(this, "Label2", QStringLiteral("Pellix メインメニュー"),
                       twipsRect(1920, 120, 4335, 375));
    Label2->setFont(platform::namedFont(platform::kPGothic, 12, true));
    setTextColour(Label2, kBlue);

    Frame1 = new EtchedFrame(QStringLiteral("発行前確認"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(240, 720, 8175, 3855));
    setBackground(Frame1, kScreen);

    const QFont gothicBold = platform::namedFont(platform::kGothic, 9.75, true);
    const QFont pGothicBold = platform::namedFont(platform::kPGothic, 9.75, true);
    const QColor buttonFace(128, 255, 255);
    Label1 =
        makeLabel(Frame1, "Label1", QStringLiteral("データ件数"), twipsRect(240, 360, 1695, 255));
    Command3 = makeButton(Frame1, "Command3", QStringLiteral("Excel接続　==>　件数表示"),
                          twipsRect(2160, 240, 3015, 540), gothicBold, buttonFace);
    Label6 = makeLabel(Frame1, "Label6", QStringLiteral("Excelファイルパス"),
                       twipsRect(240, 840, 1695, 255));
    Label7 = makeLabel(Frame1, "Label7", QString(), twipsRect(2160, 840, 5055, 375));
    Label7->setFont(gothicBold);
    setTextColour(Label7, kBlue);
    Label14 =
        makeLabel(Frame1, "Label14", QStringLiteral("シート名"), twipsRect(240, 1320, 1695, 255));
    Label15 = makeLabel(Frame1, "Label15", QString(), twipsRect(2160, 1320, 4335, 375));
    Label15->setFont(pGothicBold);
    setTextColour(Label15, kBlue);
    Label8 = makeLabel(Frame1, "Label8", QStringLiteral("出力プリンター設定"),
                       twipsRect(240, 1920, 1695, 255));
    Command4 = makeButton(Frame1, "Command4", QStringLiteral("プリンター/用紙設定"),
                          twipsRect(2160, 1800, 3015, 540), gothicBold, buttonFace);
    Label10 = makeLabel(Frame1, "Label10", QStringLiteral("OSバージョン"),
                        twipsRect(240, 2640, 1695, 255));
    Label11 = makeLabel(Frame1, "Label11", QString(), twipsRect(2160, 2640, 3375, 255));
    Label11->setFont(pGothicBold);
    setTextColour(Label11, kBlue);
    Label12 = makeLabel(Frame1, "Label12", QString(), twipsRect(240, 3120, 5295, 495));
    Label12->setFont(platform::namedFont(platform::kPMincho, 11.25, true));
    Label12->setWordWrap(true);
    setTextColour(Label12, QColor(255, 0, 0));

    Label3 =
        makeLabel(this, "Label3", QStringLiteral("DB by Excel"), twipsRect(6720, 6000, 1215, 255));
    setTextColour(Label3, kGreenText);
    setBackground(Label3, kGreenBack);
    // Carries the layout marker for the load; the 部分発行 button covers it.
    Label4 = makeLabel(this, "Label4", QString(), twipsRect(5040, 5160, 1815, 255));
    setTextColour(Label4, kGreenText);
    setBackground(Label4, kGreenBack);
    Label5 = makeLabel(this, "Label5", info::kMakerName, twipsRect(6720, 6360, 1815, 255));
    setBackground(Label5, kGreenBack);

    const QFont bigButton = platform::namedFont(platform::kPGothic, 12, true);
    const QColor bigFace(192, 192, 255);
    Command1 = makeButton(this, "Command1", QStringLiteral("発行開始"),
                          twipsRect(240, 4920, 2655, 615), bigButton, bigFace);
    Command5 = makeButton(this, "Command5", QStringLiteral("部分発行"),
                          twipsRect(4800, 4920, 2535, 615), bigButton, bigFace);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::recover() {
    ++recoveries_;
    showMessage(recoverSettings(context().services.defaultsDir).message());
}

void Form1::showMessage(const QString& text) {
    Label12->setText(text);
    // The label holds two lines; a longer message is read whole from its tool tip.
    Label12->setToolTip(text);
}

void Form1::Form_Load() {
    recoveries_ = 0;
    placeTwips(10, 10);

    // Every step is guarded on its own: a failure runs the recovery and the load goes on with the
    // next step. The file of a failed step is closed before the recovery touches the folder.
    settings::SequentialReader file;
    auto guard = [&](bool ok) {
        if (ok) return;
        file.close();
        recover();
    };

    Holders output(settings::kOutputFields);
    guard(file.open(settings::filePath(QStringLiteral("C:\\qrv_ini4\\pimraconfig4.txt"))));
    for (int index = 0; index <= 1; ++index) {
        guard(file.read(slotsOf(output, index)));
        Label4->setText(output[1][1]);
        if (Label4->text() == settings::kC5255Marker) Label4->setText(settings::kC5255Running);
    }
    file.close();

    Label11->setText(versionText(context().services.osVersion.query()));

    if (Label4->text() == settings::kC5255Running) {
        Holders position(settings::kPositionFields);
        guard(file.open(settings::filePath(QStringLiteral("C:\\qrv_ini4\\pimraconfig5.txt"))));
        for (int index = 0; index <= 1; ++index) {
            guard(file.read(slotsOf(position, index)));
            Textdb->setText(QString());
            Textdb->setText(position[0][1]);
            Textuser->setText(position[1][1]);
        }
        file.close();
        return;
    }

    Holders database(settings::kDatabaseFields);
    guard(file.open(settings::filePath(QStringLiteral("c:\\qrv_ini4\\pimraconfig2.txt"))));
    for (int index = 0; index <= 1; ++index) {
        guard(file.read(slotsOf(database, index)));
        Textdb->setText(database[0][1]);
        Texttb->setText(database[1][1]);
    }
    file.close();
    Label7->setText(Textdb->text());
    Label15->setText(Texttb->text());
}

void Form1::Command1_Click() {
    // The continuous job form's load opens the workbook for its preview: the wait window shows
    // meanwhile.
    WaitBracket wait(context().windows);
    context().windows.show<printing::F_CustInput>();
}

void Form1::Command3_Click() {
    if (!datasource::showRecordCount(context().windows))
        showMessage(QStringLiteral("DBの設定が不正です。設定し直して下さい"));
}

void Form1::Command4_Click() {
    if (!printer::showConnectionType(context().windows))
        showMessage(QStringLiteral("プリンターエラー"));
}

void Form1::Command5_Click() {
    context().windows.show<printing::F_CustInput2>();
}

}  // namespace pellix::shell
