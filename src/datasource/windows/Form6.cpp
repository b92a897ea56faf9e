#include "datasource/windows/Form6.h"

#include "datasource/RecordCount.h"
#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace pellix::datasource {

namespace {
const QColor kLightGreen(192, 255, 192);
}

Form6::Form6(shell::AppContext& ctx) : Window(ctx, Kind::Separate) {
    setWindowTitle(QStringLiteral("データ件数確認"));
    setClientTwips(7140, 2835);
    shell::setBackground(this, kLightGreen);

    const auto label = [this](const char* name, const QString& text, int l, int t, int w, int h) {
        auto* lab = new QLabel(text, this);
        lab->setObjectName(QString::fromLatin1(name));
        lab->setTextFormat(Qt::PlainText);  // a path or query is shown as it is, never as markup
        lab->setGeometry(shell::twipsRect(l, t, w, h));
        shell::setBackground(lab, kLightGreen);
        return lab;
    };
    // Rows from the top: caption on the left, value on the right.
    Label2 = label("Label2", QStringLiteral("接続中Excel(ﾌｧｲﾙﾊﾟｽ)"), 120, 120, 2055, 255);
    Labeldb = label("Labeldb", QString(), 2280, 120, 4740, 255);
    Label3 = label("Label3", QStringLiteral("接続中シート名"), 120, 480, 2055, 255);
    Labeltb = label("Labeltb", QString(), 2280, 480, 4740, 255);
    Label4 = label("Label4", QStringLiteral("SQL構文"), 120, 840, 2055, 255);
    Labelsql = label("Labelsql", QString(), 2280, 840, 4740, 765);
    Labelsql->setWordWrap(true);
    Labelsql->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label1 = label("Label1", QString(), 1200, 1800, 2895, 615);
    Label1->setFont(platform::namedFont(QString(), 24, true));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Highlight));
    Label1->setPalette(p);
    Label5 = label("Label5", QStringLiteral("件"), 4200, 1920, 495, 375);
    Label5->setFont(platform::namedFont(QString(), 14, true));

    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(shell::twipsRect(5160, 1800, 1815, 615));
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
}

void Form6::Form_Load() {
    DatabaseSettings settings;
    if (!DatabaseSettings::read(settings)) return fail();
    Labeldb->setText(settings.db);
    Labeltb->setText(settings.table);
    Labelsql->setText(settings.kensaku);
    qint64 rows = 0;
    if (!countRecords(settings, rows)) return fail();
    Label1->setText(QString::number(rows));
}

void Form6::fail() {
    context().services.messages.show(nullptr, kCountFailedPrompt, kCountFailedTitle,
                                     platform::MessageBoxes::Icon::Exclamation);
    context().windows.unload<shell::Form8>();
    Unload();
}

void Form6::Command1_Click() {
    Unload();
}

bool showRecordCount(shell::WindowRegistry& windows) {
    shell::WaitBracket wait(windows);
    return windows.show<Form6>() != nullptr;
}

}  // namespace pellix::datasource
