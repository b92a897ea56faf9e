#include "printer/windows/Form17.h"

#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "printer/OutputSettings.h"
#include "printer/PrinterSetup.h"
#include "printer/windows/Form7.h"
#include "printer/windows/SettingsDialog.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace pellix::printer {

namespace {

using shell::makeLabel;
using shell::setBackground;
using shell::twipsRect;

const QColor kBackground(255, 192, 255);
const QString kNoFixedPaper = QStringLiteral("999");

// The number a text starts with, after blanks; 0 when it starts with none ("2", " 1 ", "1x"
// read 2, 1 and 1; "", "_" and "x1" read 0).
double leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)))"));
    const auto m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

}  // namespace

Form17::Form17(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("ﾌﾟﾘﾝﾀｰ接続タイプ設定"));
    setClientTwips(6200, 3000);
    setBackground(this, kBackground);

    // The holders lie under the button, hidden.
    const char* holders[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
    QLineEdit* made[5] = {};
    for (int i = 0; i < 5; ++i) {
        made[i] = new QLineEdit(this);
        made[i]->setObjectName(QString::fromLatin1(holders[i]));
        made[i]->setGeometry(twipsRect(2280 + 150 * i, 1920, 150, 285));
        made[i]->hide();
    }
    Text1 = made[0];
    Text2 = made[1];
    Text3 = made[2];
    Text4 = made[3];
    Text5 = made[4];

    Label1 = makeLabel(this, "Label1", QStringLiteral("プリンター接続タイプ設定"),
                       twipsRect(240, 240, 5700, 300));
    Label1->setFont(platform::namedFont(platform::kPGothic, 12, true));

    const QString captions[2] = {
        QStringLiteral("ｽﾀﾝﾄﾞｱﾛﾝ接続(LPT,USB) 通常使用するﾌﾟﾘﾝﾀｰで出力【固定】"),
        QStringLiteral("通常使用するプリンター以外又はﾈｯﾄﾜｰｸ共有型接続 【変動】")};
    for (int i = 0; i < 2; ++i) {
        Option1[i] = new QRadioButton(captions[i], this);
        Option1[i]->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        Option1[i]->setGeometry(twipsRect(240, 720 + 480 * i, 5700, 375));
        setBackground(Option1[i], kBackground);
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }

    Command1 = new QPushButton(QStringLiteral("設定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(2160, 1800, 1800, 495));
    connect(Command1, &QPushButton::clicked, this, &Form17::Command1_Click);

    Label2 = makeLabel(this, "Label2", QString(), twipsRect(240, 2400, 5700, 495));
    Label2->setWordWrap(true);
    setBackground(Label2, kBackground);
    QPalette red = Label2->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label2->setPalette(red);
}

void Form17::Form_Load() {
    placeTwips(300, 300);
    // A type chosen from guesses would overwrite the titles and the paper on "設定".
    OutputSettings stored;
    if (!loadOutputSettings(*this, stored)) return;
    Text1->setText(stored.title1);
    Text2->setText(stored.title2);
    Text3->setText(stored.yoshi);
    Text5->setText(stored.printer);

    const int chosen = leadingNumber(Text5->text()) != 0.0 ? 1 : 0;
    Option1[chosen]->setChecked(true);
    Option1_Click(chosen);

    // The print runs of the other type start from the printer that is in use now.
    const Result saved =
        PrinterSetup::SavePrinterChoice(context().services, context().printerChoice);
    if (!saved) Label2->setText(saved.message);
}

void Form17::Option1_Click(int index) {
    if (index == 0)
        Text4->clear();
    else
        Text4->setText(kNoFixedPaper);
}

void Form17::Command1_Click() {
    const bool standalone = Text4->text().isEmpty();
    const OutputSettings choice =
        standalone
            ? OutputSettings{Text1->text(), Text2->text(), Text3->text(), QStringLiteral("0")}
            : OutputSettings{Text1->text(), Text2->text(), Text4->text(), QStringLiteral("1")};
    if (!writeOutputSettings(choice)) {
        Label2->setText(kConnectionTypeError);
        return;
    }
    if (standalone) {
        shell::WaitBracket wait(context().windows);
        Window* paper = context().windows.show<Form7>();
        wait.close();
        if (!paper) {
            Label2->setText(kConnectionTypeError);
            return;
        }
    }
    Unload();
}

bool showConnectionType(shell::WindowRegistry& windows) {
    shell::WaitBracket wait(windows);
    return windows.show<Form17>() != nullptr;
}

}  // namespace pellix::printer
