#include "datasource/windows/setOracle.h"

#include "datasource/ConnectionTest.h"
#include "datasource/DatabaseSettings.h"
#include "info/windows/Form12.h"
#include "platform/FileDialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "shell/windowing/WindowRegistry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace pellix::datasource {

namespace {

using Icon = platform::MessageBoxes::Icon;
using shell::makeLabel;
using shell::twipsRect;

const QColor kRed(255, 0, 0);

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

void paintRed(QLabel* label) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kRed);
    label->setPalette(p);
}

// The main window, which owns the boxes shown once the dialog has gone.
QWidget* mainWindow(shell::AppContext& ctx) {
    return ctx.windows.mdiArea() ? ctx.windows.mdiArea()->window() : nullptr;
}

}  // namespace

setOracle::setOracle(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("データベース設定 Excel"));
    setClientTwips(8805, 5865);
    // The face and size the twips layout is measured for.
    setFont(platform::namedFont(platform::kPGothic, 9));

    Label1 = makeLabel(this, "Label1", QStringLiteral("データベース接続  (Excel バージョン)設定"),
                       twipsRect(240, 120, 6000, 375));
    Label1->setFont(platform::namedFont(platform::kPGothic, 12, true));
    Label2 =
        makeLabel(this, "Label2", QStringLiteral("接続設定項目"), twipsRect(240, 480, 3000, 255));

    Frame1 = new QGroupBox(QStringLiteral("Excel"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(240, 780, 8325, 3960));

    // Row 1: the workbook path, its picker and an example.
    Label3 = makeLabel(Frame1, "Label3", QStringLiteral("Excel(ﾌｧｲﾙﾊﾟｽ)"),
                       twipsRect(120, 400, 1500, 255));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(1680, 360, 3840, 330));
    Command3 =
        makeButton(Frame1, "Command3", QStringLiteral("参照"), twipsRect(5580, 360, 735, 330));
    Label4 = makeLabel(Frame1, "Label4", QStringLiteral("(例　C:\\book1.xls)"),
                       twipsRect(6375, 400, 1850, 255));

    // Row 2: the sheet, an example and the sample window's button at the right end.
    Label5 =
        makeLabel(Frame1, "Label5", QStringLiteral("シート名"), twipsRect(120, 880, 1500, 255));
    Text4 = new QLineEdit(Frame1);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setGeometry(twipsRect(1680, 840, 2400, 330));
    Label6 = makeLabel(Frame1, "Label6", QStringLiteral("(例　sheet1)"),
                       twipsRect(4140, 880, 1380, 255));
    Command1 = makeButton(Frame1, "Command1", QStringLiteral("ファイルサンプル(参照)"),
                          twipsRect(5580, 840, 2640, 330));

    // Row 3: the head of the query, two lines tall.
    Label7 =
        makeLabel(Frame1, "Label7", QStringLiteral("SQL構文"), twipsRect(120, 1360, 1500, 255));
    Text5 = new QPlainTextEdit(Frame1);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setGeometry(twipsRect(1680, 1320, 6540, 660));
    Text5->setTabChangesFocus(true);
    Text5->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Notes below the rows.
    Label8 = makeLabel(Frame1, "Label8",
                       QStringLiteral("※注意　構文を変更する(例)を参照して記述してください。"),
                       twipsRect(120, 2040, 8080, 255));
    paintRed(Label8);
    Label9 = makeLabel(Frame1, "Label9", QStringLiteral("(例)select ﾊﾞｰｺｰﾄﾞ, 品名,名称,売価　from"),
                       twipsRect(120, 2340, 8080, 255));
    Label10 = makeLabel(
        Frame1, "Label10",
        QStringLiteral("1 Defaultでは、ﾊﾞｰｺｰﾄﾞ,品名,名称,価格の順番で項目を4つ指定してください。"),
        twipsRect(120, 2640, 8080, 255));
    Label11 = makeLabel(
        Frame1, "Label11",
        QStringLiteral("2 初期設定はフィールド名は「ファイルサンプル」を参考に入力してください"),
        twipsRect(120, 2940, 8080, 255));
    Label12 = makeLabel(
        Frame1, "Label12",
        QStringLiteral("3 構文は必ず　from まで記述し、テーブル名は構文に入れないでください。"),
        twipsRect(120, 3240, 8080, 255));
    paintRed(Label12);

    Command2 = makeButton(this, "Command2", QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ接続テスト=>設定変更"),
                          twipsRect(240, 4920, 4000, 615));
    Command4 = makeButton(this, "Command4", QStringLiteral("設定変更ﾎﾞﾀﾝ"),
                          twipsRect(5400, 4920, 3165, 615));
    Command4->setFont(platform::namedFont(platform::kPGothic, 12, true));

    connect(Command1, &QPushButton::clicked, this, &setOracle::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &setOracle::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &setOracle::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &setOracle::Command4_Click);
}

void setOracle::Form_Load() {
    placeTwips(10, 10);
    DatabaseSettings stored;
    if (const Result s = DatabaseSettings::readTable(stored); !s) {
        context().services.messages.show(
            mainWindow(context()),
            QStringLiteral("データベース設定を開けません。\n%1").arg(s.message),
            kSettingsErrorTitle, Icon::Exclamation);
        Unload();
        return;
    }
    Text1->setText(stored.db);
    Text4->setText(stored.table);
    Text5->setPlainText(stored.kensaku);
}

void setOracle::Command1_Click() {
    context().windows.show<info::Form12>();
}

void setOracle::Command3_Click() {
    const auto chosen =
        context().services.fileDialogs.openFile(this, Text1->text(), kWorkbookFilters);
    if (chosen) Text1->setText(*chosen);
}

void setOracle::Command2_Click() {
    platform::MessageBoxes& messages = context().services.messages;
    qint64 rows = 0;
    const Result s = testConnection({Text1->text(), Text4->text(), Text5->toPlainText()}, rows);
    if (!s) {
        messages.show(this, s.message, kSettingsErrorTitle, Icon::None);
        return;
    }
    if (rows >= 0)
        messages.show(this, kConnectedPrompt, kConnectionTestTitle, Icon::Information);
    else
        messages.show(this, kQueryInvalidPrompt, kConnectionTestTitle, Icon::Critical);
}

void setOracle::Command4_Click() {
    platform::MessageBoxes& messages = context().services.messages;
    const Result s = DatabaseSettings::save({Text1->text(), Text4->text(), Text5->toPlainText()});
    if (!s) {
        messages.show(this, QStringLiteral("設定を保存できませんでした。\n%1").arg(s.message),
                      QStringLiteral("設定変更エラー"), Icon::Critical);
        return;
    }
    Text1->clear();
    Text4->clear();
    Text5->clear();
    QWidget* owner = mainWindow(context());
    Unload();
    messages.show(owner,
                  QStringLiteral("設定が変更されました｡アプリケーションを再起動してください。"),
                  QStringLiteral("設定変更"), Icon::Information);
}

}  // namespace pellix::datasource
