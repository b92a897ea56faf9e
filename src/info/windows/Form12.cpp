#include "info/windows/Form12.h"

#include "info/SampleSheet.h"
#include "platform/Fonts.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace pellix::info {

Form12::Form12(shell::AppContext& ctx) : Window(ctx, Kind::Separate) {
    setWindowTitle(QStringLiteral("Excelファイルサンプル"));
    setFont(platform::namedFont(platform::kPGothic, 9));

    Label1 = shell::makeLabel(this, "Label1", QStringLiteral("Excelデータファイル作成　サンプル"),
                              shell::twipsRect(240, 120, 7800, 375));
    Label1->setFont(platform::namedFont(platform::kPGothic, 12, true));

    // The picture keeps its size in pixels; the frame around it is one pixel wide.
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Picture1->setPixmap(QPixmap::fromImage(sampleSheetPicture()));
    const QPoint at = shell::twipsRect(240, 600, 0, 0).topLeft();
    Picture1->setGeometry(QRect(at, kSamplePictureSize + QSize(2, 2)));

    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(shell::twipsRect(3360, 4800, 1455, 495));
    connect(Command1, &QPushButton::clicked, this, &Form12::Command1_Click);
}

void Form12::Form_Load() {
    // Width 8400 and height 6120 twips at left 30 and top 30 twips. Qt sizes the client area and
    // the window system adds its frame around it, so the client area takes the whole size.
    setClientTwips(8400, 6120);
    placeTwips(30, 30);
}

void Form12::Command1_Click() {
    Unload();
}

}  // namespace pellix::info
