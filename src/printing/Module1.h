#pragma once

#include "platform/Barcode.h"
#include "platform/Result.h"

#include <QCoreApplication>
#include <QFont>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace pellix::platform {
class PrinterSystem;
}

namespace pellix::printing {

class PrinterSurface;

// One label as the renderer prints it: the label data and the two titles as they are when the
// label starts. The windows make it from their fields (see labelJobFromForms).
struct LabelJob {
    QString title1;     // printed in the header
    QString title2;     // printed in the label block
    QString value;      // the barcode value: the text of the text loop
    QString itemName;   // record field 1
    QString name;       // record field 2
    QString price;      // record field 3, printed as currency
    QString janSource;  // the copy of the barcode value that the JAN text is made of
    // The label origin X and Y in millimetres and the text size adjustment Z in points, as the
    // texts the fields hold; the renderer reads them as numbers.
    QString originX;
    QString originY;
    QString sizeAdjustment;
    // Face and size of the label's texts until the renderer sets their sizes.
    QFont baseFont;
    // The barcode; none when the record gave no barcode, and then the label prints none.
    std::optional<platform::BarcodePicture> picture;
};

// Where the renderer shows how far a label has got: the progress window, behind this interface
// so that the renderer needs no window.
class LabelProgress {
  public:
    virtual ~LabelProgress() = default;
    // A label starts: the progress shows, empty, at once.
    virtual void started() = 0;
    // After a pass of the text loop: marks of the 25 of a whole label.
    virtual void advanced(int marks) = 0;
    // The label is done: printed, discarded or failed.
    virtual void finished() = 0;
};

// The control of the labels of a print run. One lives as long as the program, built by the
// composition root, so that the progress window's cancel button reaches the label in progress.
struct RunControl {
    // Set (-1) by the cancel button; cleared at the start of every label.
    std::int16_t print_cancel = 0;
    // Where the label in progress shows its progress; nothing is shown when null.
    LabelProgress* progress = nullptr;
    // The one place where printing yields: services the event loop once, so that a press of the
    // cancel button is handled.
    std::function<void()> service = [] { QCoreApplication::processEvents(); };

    // The run's count-down of labels still allowed; a run stops at the top of an iteration that
    // finds it at 0.
    qint64 countdown = 0;
    // Set by the cancel button for the run in progress; cleared when a run starts.
    bool cancelled = false;
    // True while a run is in progress: a second run does not start meanwhile.
    bool running = false;

    // The cancel button: discards the label in progress when the press arrives before the
    // renderer's service point, and ends the run after the label.
    void cancel() {
        print_cancel = -1;
        countdown = 1;
        cancelled = true;
    }
};

// The label origin X, Y (millimetres) and text size adjustment Z (points) as numbers.
struct Origin {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Line height in millimetres (height of "5" in the base font), whole lines per page, and usable
// line width in millimetres; measured afresh for every label.
struct Measures {
    std::int32_t line_h = 0;
    std::int32_t page_lines = 0;
    std::int32_t max_w = 0;
};

// The label renderer: prints one label as one document.
namespace Module1 {

// Prints the label on the surface. A failure (an origin, size adjustment or price that is not a
// number, a base font too small to measure, a document that cannot be printed) discards the
// label and comes back with its message. A cancel discards it too, and is no failure.
Result print_label(const LabelJob& job, RunControl& run, PrinterSurface& printer);
// The same on the application printer.
Result print_label(const LabelJob& job, RunControl& run, platform::PrinterSystem& printers);

// The steps of print_label.
Result print_setup(const LabelJob& job, PrinterSurface& printer, Measures& measures);
void print_header(const LabelJob& job, PrinterSurface& printer, const Origin& origin,
                  const Measures& measures);
Result print_body(const LabelJob& job, RunControl& run, PrinterSurface& printer,
                  const Origin& origin, const Measures& measures);

// The origin of the job's texts; fails (NotANumber) for a text that is not a finite number.
Result readOrigin(const LabelJob& job, Origin& origin);
// The price as currency text with the locale's own decimals, grouping and symbol; nullopt when
// the text is not a number.
std::optional<QString> formatPrice(const QString& price, const QLocale& locale);
// The barcode digits as printed under the barcode: 1, two blanks, 2 to 7, two blanks, 8 to 13.
QString janText(const QString& digits);

}  // namespace Module1
}  // namespace pellix::printing
