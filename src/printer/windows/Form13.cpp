#include "printer/windows/Form13.h"

#include "datasource/windows/setOracle.h"
#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "printer/PrintPositions.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace pellix::printer {

namespace {

using Icon = platform::MessageBoxes::Icon;
using shell::makeLabel;
using shell::twipsRect;

const QColor kLightPeach(0xFF, 0xE0, 0xC0);
const QColor kOrange(0xFF, 0x80, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);

QSlider* makeSlider(QWidget* parent, const char* name, QRect geometry) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(geometry);
    s->setRange(kAdjustmentMin, kAdjustmentMax);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    return s;
}

// The value labels are 600 twips wide, so that "-20" shows whole in the bold face.
QLabel* makeValueLabel(QWidget* parent, const char* name, QRect geometry) {
    QLabel* l = makeLabel(parent, name, QString(), geometry);
    l->setFont(platform::namedFont(platform::kPGothic, 12, true));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kOrange);
    l->setPalette(p);
    return l;
}

QLineEdit* makeHidden(QWidget* parent, const char* name) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->hide();
    return t;
}

QWidget* mainWindow(shell::AppContext& ctx) {
    return ctx.windows.mdiArea() ? ctx.windows.mdiArea()->window() : nullptr;
}

}  // namespace

Form13::Form13(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("印刷位置調整"));
    // The window is 7900 by 4700 twips with its frame.
    setClientTwips(7810, 4325);
    shell::setBackground(this, kLightPeach);
    // The face and size the twips layout is measured for.
    setFont(platform::namedFont(platform::kPGothic, 9));

    Label1 =
        makeLabel(this, "Label1", QStringLiteral("印刷位置調整"), twipsRect(3360, 120, 1935, 375));
    Label1->setFont(platform::namedFont(platform::kPGothic, 14.25));

    Label3 = makeLabel(this, "Label3", kHorizontalRow, twipsRect(240, 720, 1095, 255));
    Slider1 = makeSlider(this, "Slider1", twipsRect(1560, 720, 5175, 255));
    Label12 = makeLabel(this, "Label12", QStringLiteral("左"), twipsRect(1560, 960, 255, 255));
    Label5 = makeLabel(this, "Label5", QStringLiteral("0"), twipsRect(4080, 1080, 255, 255));
    Label11 = makeLabel(this, "Label11", QStringLiteral("右"), twipsRect(6480, 960, 255, 255));
    Label14 = makeValueLabel(this, "Label14", twipsRect(6840, 600, 600, 375));

    Label2 = makeLabel(this, "Label2", kVerticalRow, twipsRect(240, 1680, 1215, 255));
    Slider2 = makeSlider(this, "Slider2", twipsRect(1560, 1620, 5175, 255));
    Label9 = makeLabel(this, "Label9", QStringLiteral("上"), twipsRect(1560, 1920, 255, 255));
    Label6 = makeLabel(this, "Label6", QStringLiteral("0"), twipsRect(4080, 1980, 255, 255));
    Label8 = makeLabel(this, "Label8", QStringLiteral("下"), twipsRect(6480, 1920, 255, 255));
    Label15 = makeValueLabel(this, "Label15", twipsRect(6840, 1560, 600, 375));

    Label4 = makeLabel(this, "Label4", kFontSizeRow, twipsRect(240, 2520, 1095, 255));
    Slider3 = makeSlider(this, "Slider3", twipsRect(1560, 2520, 5175, 255));
    Label13 = makeLabel(this, "Label13", QStringLiteral("小"), twipsRect(1560, 2880, 255, 255));
    Label7 = makeLabel(this, "Label7", QStringLiteral("0"), twipsRect(4080, 2880, 255, 255));
    Label10 = makeLabel(this, "Label10", QStringLiteral("大"), twipsRect(6480, 2880, 255, 255));
    Label16 = makeValueLabel(this, "Label16", twipsRect(6840, 2520, 600, 375));

    Command1 = new QPushButton(QStringLiteral("保存設定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(3240, 3360, 1815, 375));

    LabelNotice = makeLabel(this, "LabelNotice", QString(), twipsRect(240, 3780, 7330, 525));
    LabelNotice->setFont(platform::namedFont(platform::kPGothic, 8));
    LabelNotice->setWordWrap(true);
    LabelNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette red = LabelNotice->palette();
    red.setColor(QPalette::WindowText, kRed);
    LabelNotice->setPalette(red);

    Textsize1 = makeHidden(this, "Textsize1");
    Textsize2 = makeHidden(this, "Textsize2");
    Textsize3 = makeHidden(this, "Textsize3");

    connect(Slider1, &QSlider::valueChanged, this, &Form13::Slider1_Click);
    connect(Slider2, &QSlider::valueChanged, this, &Form13::Slider2_Click);
    connect(Slider3, &QSlider::valueChanged, this, &Form13::Slider3_Click);
    connect(Command1, &QPushButton::clicked, this, &Form13::Command1_Click);
}

void Form13::Form_Load() {
    placeTwips(10, 10);
    PrintPositions stored;
    if (const Result s = PrintPositions::read(stored); !s) {
        context().services.messages.show(
            mainWindow(context()), QStringLiteral("印刷位置調整を開けません。\n%1").arg(s.message),
            QStringLiteral("設定エラー"), Icon::Exclamation);
        Unload();
        return;
    }
    loaded_ = stored.values;

    QSlider* sliders[3] = {Slider1, Slider2, Slider3};
    QLabel* labels[3] = {Label14, Label15, Label16};
    QLineEdit* fields[3] = {Textsize1, Textsize2, Textsize3};
    const QString rows[3] = {kHorizontalRow, kVerticalRow, kFontSizeRow};
    QStringList corrected;
    for (int i = 0; i < 3; ++i) {
        const SliderPosition position = sliderPosition(stored.sizes[i]);
        sliders[i]->setValue(position.value);
        // The slider does not report a value it already has; the label and the field must show
        // its value, not the stored text, either way.
        follow(sliders[i], labels[i], fields[i]);
        if (!position.exact)
            corrected << QStringLiteral("%1「%2」→ %3")
                             .arg(rows[i], stored.sizes[i], QString::number(position.value));
    }
    if (!corrected.isEmpty())
        LabelNotice->setText(
            QStringLiteral("保存されている値が -20 から 20 の整数ではないため、近い値で表示して"
                           "います（保存設定でこの値が保存されます）：%1")
                .arg(corrected.join(QStringLiteral("、"))));
}

void Form13::follow(QSlider* slider, QLabel* label, QLineEdit* field) {
    const QString value = QString::number(slider->value());
    label->setText(value);
    field->setText(value);
}

void Form13::Slider1_Click() {
    follow(Slider1, Label14, Textsize1);
}
void Form13::Slider2_Click() {
    follow(Slider2, Label15, Textsize2);
}
void Form13::Slider3_Click() {
    follow(Slider3, Label16, Textsize3);
}

void Form13::Command1_Click() {
    QStringList values = loaded_;
    const QLineEdit* fields[3] = {Textsize1, Textsize2, Textsize3};
    for (int i = 0; i < 3; ++i) values[kFirstSizeIndex + i] = fields[i]->text();
    platform::MessageBoxes& messages = context().services.messages;
    if (const Result s = PrintPositions::save(values); !s) {
        messages.show(this, QStringLiteral("設定を保存できませんでした。\n%1").arg(s.message),
                      QStringLiteral("設定変更エラー"), Icon::Critical);
        return;
    }
    QWidget* owner = mainWindow(context());
    context().windows.unload<datasource::setOracle>();
    Unload();
    messages.show(owner, QStringLiteral("設定が変更されました｡"), QStringLiteral("設定変更"),
                  Icon::Information);
}

}  // namespace pellix::printer
