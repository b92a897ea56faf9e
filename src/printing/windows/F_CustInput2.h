#pragma once

// The partial print job form: previews the worksheet and prints the labels of a range of rows,
// starting at the row selected in the preview grid.

#include "printing/PrintRun.h"
#include "printing/windows/JobForm.h"
#include "shell/windowing/Window.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace pellix::datasource {
class RecordSource;
}

namespace pellix::printing {

class F_CustInput2 : public JobForm {
    Q_OBJECT
  public:
    explicit F_CustInput2(shell::AppContext& ctx);
    ~F_CustInput2() override;

    void Form_Load() override;
    // Starts the partial run; does nothing while a run is in progress.
    void Command3_Click();

    // Visible controls.
    QTableView* DataGrid1 = nullptr;
    PreviewModel* Adodc1 = nullptr;
    QLineEdit* TextPP1 = nullptr;  // first row to print, typed by the user
    QLabel* Label4 = nullptr;      // "行から"
    QLineEdit* TextPP2 = nullptr;  // last row to print
    QLabel* Label5 = nullptr;      // "行まで"
    QLabel* Label3 = nullptr;      // instruction
    QPushButton* Command3 = nullptr;
    QLabel* Label1 = nullptr;  // status line
    QPushButton* 閉じる = nullptr;

    // Work fields: the print position sizes, the database settings, the workbook path and query
    // text, the connection setting of the run.
    WorkFields work;
    QLineEdit* Text999 = nullptr;
    QLineEdit* Text5 = nullptr;  // the preview's barcode text
    // The preview picture box and the barcode parameters it draws with.
    BarcodePreview* Picture1 = nullptr;
    BarcodeParameters bar;
    // Labels one partial run may print.
    qint64 allowance = kLabelAllowance;

    // The open source the grid shows and the run walks; null when none is open.
    const std::shared_ptr<datasource::RecordSource>& source() const { return source_; }

  private:
    // Opens the source and shows it in the grid; reports a failure with the form's message.
    bool openSource();
    void reportLoadFailure(const Result& failure);

    std::shared_ptr<datasource::RecordSource> source_;
};

}  // namespace pellix::printing
