#include "printer/windows/Form3.h"

#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "platform/UrlOpener.h"
#include "printer/windows/SettingsDialog.h"
#include "settings/SettingsFile.h"
#include "shell/windowing/WindowRegistry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace pellix::printer {

namespace {

using shell::makeLabel;
using shell::twipsRect;

QLineEdit* makeText(QWidget* parent, const char* name, QRect geometry) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setGeometry(geometry);
    return t;
}

}  // namespace

Form3::Form3(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("設定　出力レイアウト選択"));
    setClientTwips(6930, 5250);

    Label1 = makeLabel(this, "Label1", QStringLiteral("出力レイアウト選択"),
                       twipsRect(240, 120, 6450, 375));
    Label1->setFont(platform::namedFont(platform::kPGothic, 12, true));

    Frame1 = new QGroupBox(QStringLiteral("レイアウト選択項目"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(240, 600, 6450, 3840));

    const char* captions[4] = {"ラベルシール", "ｶｽﾀﾏｲｽﾞ5255　家具統一伝票　(C5255仕様)",
                               "カスタマイズ2", "カスタマイズ設定【無効】"};
    const QRect places[4] = {twipsRect(240, 360, 2400, 300), twipsRect(240, 1620, 5800, 300),
                             twipsRect(240, 2460, 3000, 300), twipsRect(240, 1620, 5800, 300)};
    for (int i = 0; i < 4; ++i) {
        Option1[i] = new QRadioButton(QString::fromUtf8(captions[i]), Frame1);
        Option1[i]->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        Option1[i]->setGeometry(places[i]);
    }
    Option1[2]->setEnabled(false);
    Option1[3]->setEnabled(false);
    // Same spot as option 1 and hidden by it: option 1 paints its own background over it.
    Option1[3]->stackUnder(Option1[1]);
    Option1[1]->setAutoFillBackground(true);

    Label2 = makeLabel(Frame1, "Label2", QStringLiteral("SIZE 標準ﾀｲﾌﾟ"),
                       twipsRect(2760, 390, 2400, 255));
    Label4 =
        makeLabel(Frame1, "Label4", QStringLiteral("タイトル1"), twipsRect(480, 780, 1000, 255));
    Text1 = makeText(Frame1, "Text1", twipsRect(1560, 720, 4560, 330));
    Label5 =
        makeLabel(Frame1, "Label5", QStringLiteral("タイトル2"), twipsRect(480, 1200, 1000, 255));
    Text2 = makeText(Frame1, "Text2", twipsRect(1560, 1140, 4560, 330));
    Label6 = makeLabel(Frame1, "Label6", QStringLiteral("自社名"), twipsRect(480, 2040, 1000, 255));
    Text3 = makeText(Frame1, "Text3", twipsRect(1560, 1980, 2800, 330));
    Text3->setEnabled(false);
    Text4 = makeText(Frame1, "Text4", twipsRect(4440, 1980, 1680, 330));
    Text4->setEnabled(false);
    QPalette grey = Text4->palette();
    grey.setColor(QPalette::Base, QColor(192, 192, 192));
    Text4->setPalette(grey);
    Label7 =
        makeLabel(Frame1, "Label7", QStringLiteral("現在の設定"), twipsRect(240, 3000, 1200, 255));
    Label3 = makeLabel(Frame1, "Label3", QString(), twipsRect(1560, 3000, 4000, 255));
    Label3->setFont(platform::namedFont(platform::kPGothic, 9, true));

    // Hidden holders of the fields this dialog carries through a save.
    Text5 = makeText(this, "Text5", twipsRect(0, 0, 600, 300));
    Text5->hide();
    Text6 = makeText(this, "Text6", twipsRect(0, 0, 600, 300));
    Text6->hide();

    Command4 = new QPushButton(QStringLiteral("設定変更"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(twipsRect(240, 4560, 2400, 495));
    Command1 = new QPushButton(QStringLiteral("レイアウト作成注文依頼(WEB)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(3600, 4560, 3090, 495));
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::Form_Load() {
    placeTwips(10, 10);
    settings::TableRow row;
    Result status = settings::queryTable(
        settings::folderPath(), QStringLiteral("Select * From %1").arg(settings::kOutputFile), row);
    QString values[4];
    const QStringList names = settings::outputHeader();
    for (int i = 0; status && i < 4; ++i) {
        const auto v = row.value(names[i]);
        if (!v)
            status = Result::failure(
                ErrorKind::SettingsRead,
                QStringLiteral("出力設定ファイルに項目 %1 がありません。").arg(names[i]));
        else
            values[i] = *v;
    }
    if (!status) {
        // Without the stored paper and connection settings a save would overwrite them with
        // guesses, so the dialog opens for viewing only.
        Command4->setEnabled(false);
        context().services.messages.show(
            this,
            QStringLiteral("出力設定ファイルを読み込めません。設定の変更はできません。\n%1")
                .arg(status.message),
            QStringLiteral("設定エラー"), platform::MessageBoxes::Icon::Exclamation);
        return;
    }
    loaded_ = true;
    const QString& title1 = values[0];
    const QString& title2 = values[1];
    if (title2 == settings::kC5255Marker) {
        Text1->clear();
        Text2->clear();
        Text3->setText(title1);
        Label3->setText(kC5255Layout);
    } else {
        Text1->setText(title1);
        Text2->setText(title2);
        Label3->setText(kStandardLayout);
    }
    Text5->setText(values[2]);
    Text6->setText(values[3]);
}

void Form3::Command4_Click() {
    const QString underscore = QStringLiteral("_");
    for (QLineEdit* box : {Text1, Text2, Text3, Text5})
        if (box->text().isEmpty()) box->setText(underscore);

    platform::Services& services = context().services;
    if (!Option1[0]->isChecked()) {
        services.messages.show(this, QStringLiteral("設定項目が選択されていません。"),
                               QStringLiteral("設定変更エラー"),
                               platform::MessageBoxes::Icon::Critical);
        return;
    }
    (void)finishSave(
        *this, settings::save(settings::filePath(settings::kOutputFile), settings::outputHeader(),
                              {Text1->text(), Text2->text(), Text5->text(), Text6->text()}));
}

void Form3::Command1_Click() {
    // Nothing is reported when no browser takes the page: the dialog stays as it was and the
    // button can be pressed again.
    (void)context().services.urls.open(platform::makerPage("/pppmail2/form.html"));
}

}  // namespace pellix::printer
