#pragma once

// The print runs: the continuous run prints one label for every record of the worksheet from the
// first one; the partial run walks the records from the current one and prints those whose row
// number lies in the range the user typed. Both are shared by the print job forms and the
// command-line tool, which differ only in the RunHost they hand over.

#include "platform/Barcode.h"
#include "platform/MessageBoxes.h"
#include "platform/Result.h"
#include "printing/Module1.h"

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace pellix::datasource {
class RecordSource;
}
namespace pellix::platform {
class PrinterSystem;
}

namespace pellix::printing {

// Labels one run may print: a job form starts every opening with this allowance.
inline constexpr qint64 kLabelAllowance = 300;

// Status captions of a run.
inline const QString kStatusPrinting = QStringLiteral("※ただ今印刷処理中!!");
inline const QString kStatusSpooling = QStringLiteral("※ただ今印刷スプール中!!");
inline const QString kStatusDone = QStringLiteral("※印刷処理終了!!");
inline const QString kStatusCancelled = QStringLiteral("※印刷を中止しました!!");
inline const QString kStatusLimit = QStringLiteral("※印刷枚数の上限に達しました!!");
inline const QString kStatusFailed = QStringLiteral("※印刷エラーで中断しました!!");

// Messages of a run.
inline const QString kEndPrompt = QStringLiteral("印刷終了。ﾃﾞｰﾀﾍﾞｰｽと接続解除しました。");
inline const QString kEndTitle = QStringLiteral("処理終了");
inline const QString kBadBoundsPrompt = QStringLiteral("行数が無効です");
inline const QString kBadBoundsTitle = QStringLiteral("ERROR");
inline const QString kLimitTitle = QStringLiteral("印刷枚数の上限");
inline const QString kFailureTitle = QStringLiteral("印刷エラー");

// The barcode parameters of a job form: 0 when the form loads, the print values after a run.
struct BarcodeParameters {
    std::int16_t bar_x = 0;
    std::int16_t bar_y = 0;
    std::int16_t bar_p1 = 0;
    std::int16_t bar_p2 = 0;
    std::int16_t bar_p3 = 0;

    static BarcodeParameters printValues() { return {0, 0, 5, 25, 1}; }
    bool operator==(const BarcodeParameters&) const = default;
};

// The barcode text the preview draws.
inline const QString kSampleBarcodeText = QStringLiteral("JAN-123456789012");

// The label data a run fills for each record, as the continuous job form's work fields hold
// it: barcode value, item name, name, price, barcode text, the copy of the barcode value the
// JAN text is made of, and the barcode picture (none when the record gave no barcode).
struct LabelData {
    QString Text1;
    QString Text2;
    QString Text3;
    QString Text4;
    QString Text5;
    QString Text8;
    std::optional<platform::BarcodePicture> Picture2;
};

// The face and size of the labels' texts until the renderer sets their sizes.
QFont labelBaseFont();

// The label job of label data, the two titles of the output layout, and the print position
// sizes (origin X and Y in millimetres, size adjustment in points) as stored.
LabelJob labelJob(const LabelData& data, const QString& title1, const QString& title2,
                  const std::array<QString, 3>& sizes, const QFont& baseFont);

// A row bound as typed: a whole number, blanks around it allowed; nullopt for anything else,
// the empty text included.
std::optional<qint64> rowBound(const QString& text);

// How a run ended.
enum class RunEnd {
    NotConfirmed,   // the printer dialog was not confirmed: nothing happened
    Exhausted,      // every record was walked; the end message was shown
    AllowanceUsed,  // the label allowance was used up; the user was told
    Cancelled,      // the cancel button of the progress window
    Stopped,        // the host asked the run to stop (its form closes)
    BadBounds,      // a row bound is not a whole number; the user was told
    Failed,         // a failure stopped the run; the user was told with the row and the cause
};

struct RunOutcome {
    RunEnd end = RunEnd::Exhausted;
    qint64 printed = 0;  // labels printed by this run
    qint64 row = 0;      // the row the run stopped at (a failure's row), 0 before the first
    Result failure;      // what stopped a failed run
};

// What a run asks of the form or the tool that runs it.
class RunHost {
  public:
    virtual ~RunHost() = default;
    // The printer choice at the start of a run whose output settings ask for one; true when a
    // printer was confirmed.
    virtual bool choosePrinter() = 0;
    // Applies the chosen printer again before a label of such a run (its paper, custom size and
    // colour included).
    virtual Result reapplyPrinter() = 0;
    // The connection setting read at the start of a run ("1": a printer is chosen per run).
    virtual void connection(const QString&) {}
    // The status line.
    virtual void status(const QString& caption) = 0;
    // The count-down of labels still allowed changed (it is kept in the run control).
    virtual void countdown(qint64 value) = 0;
    // The paper setting read at the start of a continuous run.
    virtual void paper(const QString&) {}
    // The run stands on the record of this row number (1 for the first record it walks).
    virtual void walked(qint64) {}
    // The label data of the record the run stands on, barcode made, before any test of it.
    virtual void filled(const LabelData&) {}
    // Prints one label of the label data; the label may be cancelled, which is no failure.
    virtual Result print(const LabelData& data) = 0;
    // A label of this row was handed to the printer (not cancelled).
    virtual void printed(qint64, const LabelData&) {}
    // A message box.
    virtual void message(const QString& prompt, const QString& title,
                         platform::MessageBoxes::Icon icon) = 0;
    // True when the run is to stop after the current label (its form is closing).
    virtual bool stopRequested() const { return false; }
};

// What a run works with: the printer collection, which it asks at the end to finish every
// document handed over, and the run control with the count-down and the cancel.
struct RunContext {
    platform::PrinterSystem& printers;
    RunControl& control;
};

// The continuous run over the workbook at path with the query text. allowance is the form's
// label allowance, decreased by every label and kept between runs; parameters are the form's
// barcode parameters, set to the print values.
RunOutcome runContinuous(RunHost& host, RunContext& context, const QString& path,
                         const QString& queryText, qint64& allowance,
                         BarcodeParameters& parameters);

// The partial run over the open source from its current record on, printing the rows from
// first to last (as typed); at most kLabelAllowance labels. The source is closed when the run
// stops early (allowance, cancel, stop, failure) and left open at its current record when a
// bound is not a whole number.
RunOutcome runPartial(RunHost& host, RunContext& context, datasource::RecordSource& source,
                      const QString& first, const QString& last, BarcodeParameters& parameters);

}  // namespace pellix::printing
