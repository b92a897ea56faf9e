#pragma once

#include "settings/SettingsFile.h"

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace pellix::shell {
struct AppContext;
}

namespace pellix::printing {

class PrinterSurface;

// The label renderer: prints one label from the label data of F_CustInput and the titles of
// Form3 as one document on the application printer.
namespace Module1 {

// Set by the progress window's cancel button; cleared at the start of every label.
inline std::int16_t print_cancel = 0;
// Line height in millimetres (height of "5" in the base font), whole lines per page, and usable
// line width in millimetres; computed afresh for every label.
inline std::int32_t line_h = 0;
inline std::int32_t page_lines = 0;
inline std::int32_t max_w = 0;

// The label origin X, Y (millimetres) and font size adjustment Z (points), read from the job
// form's fields when the label starts.
struct Origin {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Prints one label on the application printer of the services. A failure (a field that is not a
// number, a base font too small to measure, a document that cannot be printed) discards the
// label and comes back with its message.
settings::Status print_label(shell::AppContext& ctx);
// The same on a given surface.
settings::Status print_label(shell::AppContext& ctx, PrinterSurface& printer);

// The steps of print_label.
settings::Status print_setup(shell::AppContext& ctx, PrinterSurface& printer);
void print_header(shell::AppContext& ctx, PrinterSurface& printer, const Origin& origin);
settings::Status print_body(shell::AppContext& ctx, PrinterSurface& printer, const Origin& origin);

// The price as currency text with the locale's own decimals, grouping and symbol; nullopt when
// the text is not a number.
std::optional<QString> formatPrice(const QString& price, const QLocale& locale);
// The barcode digits as printed under the barcode: 1, two blanks, 2 to 7, two blanks, 8 to 13.
QString janText(const QString& digits);

}  // namespace Module1
}  // namespace pellix::printing
