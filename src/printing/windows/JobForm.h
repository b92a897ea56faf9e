#pragma once

// What the two print job forms share: the run in progress and closing a form during it, the
// preview grid's model, the preview picture box, the work fields read from the settings files at
// load, and the failure messages of their loads.

#include "datasource/RecordSource.h"
#include "platform/Result.h"
#include "printing/PrintRun.h"
#include "shell/windowing/Window.h"

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QWidget>
#include <array>
#include <functional>

class QCloseEvent;

class QTableView;

namespace pellix::printing {

// Base of the two print job forms: a form runs one print run at a time, and a form closed during
// its run stops the run after the current label and closes then.
class JobForm : public shell::Window {
    Q_OBJECT
  public:
    explicit JobForm(shell::AppContext& ctx) : Window(ctx, Kind::Child) {}

    // The close button: closes the form, or during its run asks the run to stop.
    void 閉じる_Click();
    bool running() const { return running_; }
    // A work field: a hidden line edit of the form.
    QLineEdit* hiddenField(const char* name);

  protected:
    // Runs the form's print run, which is handed the flag that asks it to stop. Nothing happens
    // while a run is in progress in either form. Afterwards the form closes when the records
    // were exhausted or a close was asked for meanwhile; the form may be gone by then.
    void startRun(const std::function<RunOutcome(const bool& stop)>& run);
    void closeEvent(QCloseEvent* event) override;

  private:
    bool running_ = false;
    bool stopRequested_ = false;
};

// Every result column of the open source as plain text, for a job form's preview grid.
class PreviewModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(datasource::ResultTable table);
    const datasource::ResultTable& table() const { return table_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    datasource::ResultTable table_;
};

// The preview grid of a job form: read-only, whole rows selected, plain text.
QTableView* makePreviewGrid(QWidget* parent, PreviewModel* model, QRect geometry);

// The preview picture box: on every repaint it is cleared and the sample barcode is drawn with
// the form's barcode parameters; the form's barcode text field is set to the sample text first.
class BarcodePreview final : public QWidget {
    Q_OBJECT
  public:
    BarcodePreview(QWidget* parent, QLineEdit* text, const BarcodeParameters& parameters);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLineEdit* text_;
    const BarcodeParameters& parameters_;
};

// The work fields of a job form read from the settings files at load.
struct WorkFields {
    std::array<QLineEdit*, 3> Textsize{};  // SIZE1 to SIZE3 of the print position file
    QLineEdit* Textdb = nullptr;           // DB, TABLE, KENSAKU of the database settings file
    QLineEdit* TextTT = nullptr;
    QLineEdit* TextSS = nullptr;
    QString path;       // the workbook path
    QString queryText;  // KENSAKU + "[" + TABLE + "$]"

    // Makes the fields as hidden line edits of the form.
    void make(JobForm* form);
    // Reads the print position file value by value: after each record its third to fifth values
    // stand in Textsize.
    Result readPositions();
    // Reads the database settings file value by value: after each record its values stand in
    // Textdb, TextTT and TextSS, and the path and query text are made of them.
    Result readDatabase();
};

// Title of the continuous job form's load failure box, and the partial form's title and its
// prompt for a path that cannot be used.
inline const QString kContinuousLoadTitle = QStringLiteral(
    "設定エラー。データベースに接続できません。設定が不正かファイルにアクセスができません。");
inline const QString kPartialLoadTitle =
    QStringLiteral("設定エラー。データベースに接続できません。");
inline const QString kPartialPathPrompt = QStringLiteral(
    "ﾃﾞｰﾀﾍﾞｰｽまたは読み取りﾌｧｲﾙのﾊﾟｽが無効です。ﾃﾞｰﾀﾍﾞｰｽ設定またはﾌｧｲﾙの存在を確認してください。");

}  // namespace pellix::printing
