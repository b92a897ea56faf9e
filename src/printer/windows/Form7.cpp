#include "printer/windows/Form7.h"

#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/PrintSetupDialog.h"
#include "platform/Services.h"
#include "printer/OutputSettings.h"
#include "printer/PrinterList.h"
#include "printer/PrinterSetup.h"
#include "printer/windows/SettingsDialog.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace pellix::printer {

namespace {

using shell::makeLabel;
using shell::twipsRect;

// The print set-up dialog as the printer button opens it: the set-up form, without selection,
// page numbers or printing to a file (1310796).
constexpr std::uint32_t kPrinterButtonFlags =
    platform::PD_PRINTSETUP | platform::PD_NOSELECTION | platform::PD_NOPAGENUMS |
    platform::PD_USEDEVMODECOPIESANDCOLLATE | platform::PD_HIDEPRINTTOFILE;
static_assert(kPrinterButtonFlags == 1310796);

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

QLineEdit* makeHolder(QWidget* parent, const char* name, QRect geometry) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setGeometry(geometry);
    t->hide();
    return t;
}

}  // namespace

Form7::Form7(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("プリンター設定"));
    setClientTwips(8000, 3000);

    // The hidden holders lie behind the list and the printer button.
    Text1 = makeHolder(this, "Text1", twipsRect(4200, 720, 600, 285));
    Text2 = makeHolder(this, "Text2", twipsRect(4200, 1020, 600, 285));
    Text5 = makeHolder(this, "Text5", twipsRect(240, 720, 600, 285));
    Text4 = makeHolder(this, "Text4", twipsRect(240, 1020, 600, 285));

    const QFont bold = platform::namedFont(platform::kPGothic, 9, true);
    Label1 = makeLabel(this, "Label1", QStringLiteral("プリンターを選択してください。"),
                       twipsRect(240, 240, 3015, 255));
    Label1->setFont(bold);
    Command2 = makeButton(this, "Command2", QStringLiteral("プリンターの設定"),
                          twipsRect(240, 720, 2535, 615));
    Label3 = makeLabel(this, "Label3", QStringLiteral("用紙サイズを選択してください"),
                       twipsRect(4200, 240, 2895, 255));
    Label3->setFont(bold);
    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(twipsRect(4200, 720, 2895, 780));
    Command3 =
        makeButton(this, "Command3", QStringLiteral("用紙設定"), twipsRect(4320, 1680, 2535, 615));
    Label4 = makeLabel(this, "Label4", QStringLiteral("※プリンターの設定のみ変更可能です"),
                       twipsRect(0, 2280, 3015, 255));
    QPalette red = Label4->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label4->setPalette(red);

    connect(List2, &QListWidget::itemSelectionChanged, this, &Form7::List2_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form7::Command3_Click);
}

void Form7::Form_Load() {
    placeTwips(10, 10);
    // Without the stored titles and connection type a save would overwrite them with guesses.
    OutputSettings stored;
    if (!loadOutputSettings(*this, stored)) return;
    Text1->setText(stored.title1);
    Text2->setText(stored.title2);
    Text5->setText(stored.yoshi);
    Text4->setText(stored.printer);

    for (const PaperLine& line : paperLines(context().services.printers)) {
        auto* item = new QListWidgetItem(line.text, List2);
        item->setData(Qt::UserRole, line.code);
    }
}

void Form7::List2_Click() {
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    if (selected.isEmpty()) return;
    Text5->setText(QString::number(selected.first()->data(Qt::UserRole).toInt()));
}

void Form7::Command2_Click() {
    platform::Services& services = context().services;
    platform::PRINTDLG dialog;
    dialog.hwndOwner = this;
    dialog.hDevMode = PrinterSetup::deviceModeOfPrinter(services);
    dialog.hDevNames = PrinterSetup::namesOfPrinter(services);
    dialog.Flags = kPrinterButtonFlags;
    // The dialog is offered for the printer's own settings; this dialog takes nothing from it,
    // so its fields and the paper list stay as they are whatever the user does there.
    services.printSetup.run(dialog);
}

void Form7::Command3_Click() {
    const QString underscore = QStringLiteral("_");
    for (QLineEdit* box : {Text1, Text2, Text5})
        if (box->text().isEmpty()) box->setText(underscore);

    // A failed save leaves the dialog open with its choice, so the user can try again.
    (void)finishSave(
        *this, writeOutputSettings({Text1->text(), Text2->text(), Text5->text(), Text4->text()}));
}

}  // namespace pellix::printer
