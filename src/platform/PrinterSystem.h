#pragma once

#include "platform/Result.h"

#include <QList>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QPainter;

namespace pellix::platform {

// Paper size code of a page whose width and height are set on their own.
inline constexpr int kUserDefinedPaper = 256;

// Whether a paper width or length fits the device-mode record, which carries it in tenths of a
// millimetre in a 16-bit field: 0.1 to 3276.7 mm.
inline bool paperLengthFits(double mm) {
    // Lengths come and go through twips; a rounding error is no length of its own.
    constexpr double kSlack = 1e-6;
    return mm >= 0.1 - kSlack && mm <= 3276.7 + kSlack;
}

// The built-in printer that writes every document as a numbered PDF file.
inline const QString kPdfPrinterName = QStringLiteral("Pellix PDF");

// Environment variable naming the output folder of the built-in PDF printer.
inline constexpr const char* kPdfDirVariable = "PELLIX_PDF_DIR";

// The coded settings of the application printer. The codes are the device-mode codes that
// the print set-up dialog exchanges:
//  - PaperSize: Windows paper code (9 = A4, 256 = user-defined width and height)
//  - Orientation: 1 portrait, 2 landscape
//  - PaperBin: paper source (1 upper/only one, 2 lower, 3 middle, 4 manual, 5 envelope,
//    6 envelope manual, 7 automatic, 8 tractor, 9 small format, 10 large format,
//    11 large capacity, 14 cassette, 15 form source)
//  - PrintQuality: dots per inch when positive; -1 draft, -2 low, -3 medium, -4 high
//  - ColorMode: 1 monochrome, 2 colour
//  - Duplex: 1 simplex, 2 long edge, 3 short edge
//  - Zoom: scaling in per cent
enum class PrinterProperty {
    PaperSize,
    Orientation,
    PaperBin,
    PrintQuality,
    ColorMode,
    Duplex,
    Zoom
};

// One paper size of the application printer: its code and its page width and height in twips
// (portrait), or no size when the printer cannot report one for that code.
struct Paper {
    int code = 0;
    std::optional<QSizeF> twips;

    bool operator==(const Paper&) const = default;
};

// One print document on the application printer, open from its first page on. The painter
// works in device pixels with its origin at the top left of the printable area.
class PrintDocument {
  public:
    virtual ~PrintDocument() = default;
    virtual QPainter& painter() = 0;
    // Device pixels per inch.
    virtual double dotsPerInch() const = 0;
    // Ends the current page and starts a new one; false when the device refuses.
    virtual bool newPage() = 0;
    // Ends the document and hands it to the printer; fails (DocumentFailed) with the reason.
    virtual Result finish() = 0;
    // Discards the document: nothing of it is printed or kept.
    virtual void discard() = 0;
};

// The installed printers and the application printer, which every print of the program uses.
// Reads answer nullopt and sets answer false when the printer cannot report or rejects the
// value; the property then keeps what it had.
class PrinterSystem {
  public:
    virtual ~PrinterSystem() = default;

    // Device names of the installed printers in enumeration order.
    virtual QStringList installedPrinters() const = 0;
    // Paper codes that an installed printer accepts, ascending.
    virtual QList<int> acceptedPaperCodes(int index) const = 0;
    // Makes the installed printer at index the application printer, with that printer's own
    // default settings. Binding the printer that is already bound changes nothing.
    [[nodiscard]] virtual bool bind(int index) = 0;

    // The application printer's names.
    virtual std::optional<QString> deviceName() const = 0;
    virtual std::optional<QString> driverName() const = 0;
    virtual std::optional<QString> port() const = 0;

    // The application printer's coded settings.
    virtual std::optional<int> get(PrinterProperty property) const = 0;
    [[nodiscard]] virtual bool set(PrinterProperty property, int value) = 0;

    // The paper codes the application printer accepts, ascending, each with the size that width()
    // and height() would report once that code were set (for code 256, the page the printer has
    // now). Asking sets nothing: the printer keeps its paper.
    virtual QList<Paper> papers() const = 0;

    // Width and height of the paper in twips (1440 to the inch), as the paper code lists them
    // (portrait). Setting either makes the paper user-defined (code 256).
    virtual std::optional<double> width() const = 0;
    virtual std::optional<double> height() const = 0;
    [[nodiscard]] virtual bool setWidth(double twips) = 0;
    [[nodiscard]] virtual bool setHeight(double twips) = 0;

    // Size of the printable area in millimetres, in the current orientation.
    virtual QSizeF printableAreaMm() const = 0;
    // Resolution of the application printer's documents, in dots per inch.
    virtual double dotsPerInch() const = 0;
    // Opens a document on the application printer into document; fails (DocumentFailed) with
    // the reason when it cannot be started.
    virtual Result openDocument(std::unique_ptr<PrintDocument>& document) = 0;
    // Waits until every document handed over has been written or handed to the printer;
    // answers the first failure not yet reported. A run calls it before it reports its end.
    virtual Result flush() { return Result::success(); }
};

}  // namespace pellix::platform
