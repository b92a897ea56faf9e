#include "info/windows/frmAbout.h"

#include "info/ProgramIcon.h"
#include "info/WebPages.h"
#include "platform/Fonts.h"
#include "platform/Services.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace pellix::info {

namespace {

using shell::makeLabel;

QFrame* makeLine(QWidget* parent, const char* name, const QColor& colour, QRect geometry) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setGeometry(geometry);
    shell::setBackground(line, colour);
    return line;
}

}  // namespace

frmAbout::frmAbout(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setClientTwips(5805, 5175);
    setFont(platform::namedFont(platform::kPGothic, 9));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    const QRect iconPlace = shell::twipsRect(240, 240, 540, 540);
    picIcon->setGeometry(iconPlace);
    picIcon->setPixmap(QPixmap::fromImage(programIcon(iconPlace.width())));

    lblTitle = makeLabel(this, "lblTitle", QStringLiteral("Pellix"),
                         shell::twipsRect(1050, 240, 3885, 480));
    lblTitle->setFont(platform::namedFont(platform::kPGothic, 14, true));
    lblVersion = makeLabel(this, "lblVersion", QStringLiteral("ﾊﾞｰｼﾞｮﾝ　2.0.6 2004/11修正"),
                           shell::twipsRect(1050, 780, 3885, 225));
    lblDescription = makeLabel(
        this, "lblDescription",
        QStringLiteral("Pellix は、データベースのデータを連続して印刷する業務用ソフトです。"
                       "バーコードラベル、物流ラベル、棚札などの帳票の印刷に適しています。"
                       "ご不明な点はｵﾝﾗｲﾝｻﾎﾟｰﾄでお問い合わせください。"),
        shell::twipsRect(1050, 1125, 4560, 1530));
    lblDescription->setWordWrap(true);

    // An etched rule: a dark line with a light one under it.
    Line1 = makeLine(this, "Line1", QColor(128, 128, 128), shell::twipsRect(225, 2820, 5355, 15));
    Line2 = makeLine(this, "Line2", Qt::white, shell::twipsRect(225, 2835, 5355, 15));

    lblDisclaimer =
        makeLabel(this, "lblDisclaimer",
                  QStringLiteral("【ご注意】プリンターの機種によっては対応できない場合があります。"
                                 "標準のレイアウトはバーコードラベル（標準ﾀｲﾌﾟ）です。"
                                 "貴社専用のレイアウトは「ﾚｲｱｳﾄ作成依頼」からご注文いただけます。"),
                  shell::twipsRect(255, 3000, 5310, 1080));
    lblDisclaimer->setWordWrap(true);
    Label1 = makeLabel(this, "Label1", QStringLiteral("製造元　%1").arg(kMakerName),
                       shell::twipsRect(255, 4260, 3840, 255));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(shell::twipsRect(4260, 4155, 1320, 375));
    cmdOK->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("ﾚｲｱｳﾄ作成依頼"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(shell::twipsRect(4260, 4620, 1320, 375));
    // A focused button takes Enter itself; elsewhere Enter goes to the default button.
    Command1->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    cmdOK->setFocus();
}

void frmAbout::cmdOK_Click() {
    Unload();
}

void frmAbout::Command1_Click() {
    openPage(context().services.urls, kLayoutOrderPage);
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            cmdOK->click();
            return;
        default:
            Window::keyPressEvent(event);
    }
}

}  // namespace pellix::info
