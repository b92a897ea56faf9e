#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

namespace pellix::platform {
class PrinterSystem;
}

namespace pellix::printer {

// The installed printers in enumeration order, one line each: "*" in front of the application
// printer (a blank otherwise), the device name, a tab and the paper codes it accepts.
QString describePrinters(platform::PrinterSystem& printers);

// Paper codes the paper list offers.
inline constexpr int kFirstListedPaper = 1;
inline constexpr int kLastListedPaper = 1024;

// One line of the paper list: the paper code and the text shown for it.
struct PaperLine {
    int code = 0;
    QString text;

    bool operator==(const PaperLine&) const = default;
};

// The papers of the application printer with codes 1 to 1024, ascending by code. A paper whose
// size the printer cannot report gets no line. The printer keeps the paper it has.
QList<PaperLine> paperLines(const platform::PrinterSystem& printers);

// "code<tab>width x height": the page size in whole millimetres, from twips divided by 56.7 and
// rounded to the nearest whole number, halves to the even one.
QString paperLineText(int code, const QSizeF& twips);

}  // namespace pellix::printer
