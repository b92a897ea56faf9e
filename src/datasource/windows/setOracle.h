#pragma once

#include "shell/windowing/Window.h"

#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pellix::datasource {

// The database settings dialog: edits the workbook path, the sheet name and the head of the
// query, tests them against the workbook and saves them.
class setOracle : public shell::Window {
    Q_OBJECT
  public:
    explicit setOracle(shell::AppContext& ctx);

    // Fills the boxes from the database settings file read as a table. When the file cannot be
    // read, says so naming the file and unloads: the dialog never opens on guessed values.
    void Form_Load() override;
    // "ファイルサンプル(参照)": shows the Excel sample window.
    void Command1_Click();
    // "参照": picks the workbook through the file-open dialog; a cancel keeps the path.
    void Command3_Click();
    // "ﾃﾞｰﾀﾍﾞｰｽ接続テスト=>設定変更": saves, then tests the saved settings.
    void Command2_Click();
    // "設定変更ﾎﾞﾀﾝ": saves and closes, then asks for a restart. A save that fails is reported
    // and the dialog stays open with what was entered.
    void Command4_Click();

    QLabel* Label1 = nullptr;  // heading
    QLabel* Label2 = nullptr;  // "接続設定項目"
    QGroupBox* Frame1 = nullptr;
    QLabel* Label3 = nullptr;  // "Excel(ﾌｧｲﾙﾊﾟｽ)"
    QLineEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label4 = nullptr;  // path example
    QLabel* Label5 = nullptr;  // "シート名"
    QLineEdit* Text4 = nullptr;
    QLabel* Label6 = nullptr;  // sheet example
    QPushButton* Command1 = nullptr;
    QLabel* Label7 = nullptr;  // "SQL構文"
    // Two lines tall; a line break typed into it is saved as a blank.
    QPlainTextEdit* Text5 = nullptr;
    QLabel* Label8 = nullptr;  // the five notes, from the top
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command4 = nullptr;
};

// What the file picker offers: the workbooks that can be read (in either letter case, as files
// copied from Windows are often named), then every file.
inline const QStringList kWorkbookFilters{
    QStringLiteral("Excel / OpenDocument / CSV ファイル (*.xls *.xlsx *.ods *.csv *.txt *.XLS "
                   "*.XLSX *.ODS *.CSV *.TXT)"),
    QStringLiteral("すべてのファイル (*)")};

}  // namespace pellix::datasource
