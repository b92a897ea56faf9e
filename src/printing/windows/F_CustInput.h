#pragma once

// The continuous print job form: previews the worksheet and prints a label for every record; it
// also holds the label data that both runs fill and the renderer prints, and the count-down.

#include "platform/Barcode.h"
#include "platform/Result.h"
#include "printing/PrintRun.h"
#include "printing/windows/JobForm.h"
#include "shell/windowing/Window.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace pellix::printing {

struct LabelJob;
class PrinterSurface;

class F_CustInput : public JobForm {
    Q_OBJECT
  public:
    explicit F_CustInput(shell::AppContext& ctx);

    void Form_Load() override;
    // Starts the continuous run; does nothing while a run is in progress.
    void Command3_Click();

    // Visible controls.
    QTableView* DataGrid1 = nullptr;
    PreviewModel* Adodc1 = nullptr;  // the grid's data: every result column of the query
    QPushButton* Command3 = nullptr;
    QLabel* Label1 = nullptr;  // status line
    QPushButton* 閉じる = nullptr;

    // Label data: barcode value, item name, name, price, barcode text, copy of the barcode value.
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text8 = nullptr;
    // Label origin X and Y in millimetres and the font size adjustment in points, as text.
    QLineEdit* Textsize1 = nullptr;
    QLineEdit* Textsize2 = nullptr;
    QLineEdit* Textsize3 = nullptr;
    // The database settings and the workbook path and query text made of them.
    WorkFields work;
    // The connection setting of the run, the paper setting, the count-down as text.
    QLineEdit* Text999 = nullptr;
    QLabel* Label_YOSHI = nullptr;
    QLabel* Label_PP = nullptr;
    // The barcode picture of the label; empty when the record gave no barcode.
    platform::PictureSlot Picture2;
    // The preview picture box and the barcode parameters it draws with.
    BarcodePreview* Picture1 = nullptr;
    BarcodeParameters bar;
    // Labels left to this opening of the form, shared by its runs.
    qint64 allowance = kLabelAllowance;
};

// Writes label data into the continuous form's label data fields.
void fillLabelData(F_CustInput& form, const LabelData& data);

// The label job as the fields hold it now: the label data of F_CustInput and the titles in the
// boxes of the output layout dialog Form3, an edited one included. A form that is not loaded is
// loaded without being shown; one that refuses to load fails the job (LoadRefused).
Result labelJobFromForms(shell::AppContext& ctx, LabelJob& job);

// Prints one label of the forms' label job with the progress window, on the application printer
// or on the given surface; the run control of the context carries the cancel.
Result printLabel(shell::AppContext& ctx);
Result printLabel(shell::AppContext& ctx, PrinterSurface& printer);

// A run as the job forms host it: the printer dialog owned by the form, the status line, the
// count-down in Label_PP of the continuous form, the label data written into its fields and
// printed from them with the progress window, message boxes owned by the form.
class FormRunHost : public RunHost {
  public:
    // The paper label is the continuous form's; the partial run reads no paper setting.
    FormRunHost(shell::Window& form, QLabel* status, QLineEdit* text999, const bool& stop,
                QLabel* paper = nullptr);

    bool choosePrinter() override;
    Result reapplyPrinter() override;
    void connection(const QString& value) override;
    void paper(const QString& value) override;
    void status(const QString& caption) override;
    void countdown(qint64 value) override;
    void filled(const LabelData& data) override;
    Result print(const LabelData& data) override;
    void message(const QString& prompt, const QString& title,
                 platform::MessageBoxes::Icon icon) override;
    bool stopRequested() const override;

    // The context of the run: the form's printers and run control.
    RunContext runContext();

  private:
    shell::AppContext& ctx_;
    QPointer<shell::Window> form_;
    QPointer<QLabel> status_;
    QPointer<QLineEdit> text999_;
    QPointer<QLabel> paper_;
    const bool& stop_;
};

}  // namespace pellix::printing
