#pragma once

#include "platform/PrintSetupDialog.h"
#include "platform/PrinterSystem.h"

#include <QPageSize>

class QPrinter;

namespace pellix::platform {

// Output folder of the built-in PDF printer: PELLIX_PDF_DIR when set, else ~/Pellix/labels.
QString pdfOutputDir();

// The page a paper code stands for; an invalid page for a code Qt does not know. Code 256
// needs the user-defined size in millimetres.
QPageSize pageForCode(int code, const QSizeF& userDefinedMm = {});

// Printers through Qt PrintSupport: the CUPS queues in CUPS's order, then the built-in
// "Pellix PDF". The application printer starts as CUPS's default queue, or "Pellix PDF" when
// CUPS has none. Every document is drawn as a PDF in memory: "Pellix PDF" stores it as the next
// numbered file of its folder, a CUPS queue receives it through the CUPS client (lp) with the
// paper, duplex and colour settings as job options. A discarded document goes nowhere.
class QtPrinterSystem final : public PrinterSystem {
  public:
    QtPrinterSystem();
    ~QtPrinterSystem() override;

    QStringList installedPrinters() const override;
    QList<int> acceptedPaperCodes(int index) const override;
    bool bind(int index) override;

    std::optional<QString> deviceName() const override;
    std::optional<QString> driverName() const override;
    std::optional<QString> port() const override;

    std::optional<int> get(PrinterProperty property) const override;
    bool set(PrinterProperty property, int value) override;

    std::optional<double> width() const override;
    std::optional<double> height() const override;
    bool setWidth(double twips) override;
    bool setHeight(double twips) override;

    QSizeF printableAreaMm() const override;
    double dotsPerInch() const override;
    Result openDocument(std::unique_ptr<PrintDocument>& document) override;

  private:
    struct State;
    bool setPaperSide(double twips, Qt::Orientation side);
    std::unique_ptr<State> s_;
};

// The dialog's records turned into a printer object, and a printer object's choice turned back
// into the records.
void printerFromRecords(const PRINTDLG& dialog, QPrinter& printer);
void recordsFromPrinter(const QPrinter& printer, PRINTDLG& dialog);

// The print set-up dialog as Qt's print dialog: printer, paper, orientation, duplex and colour
// are chosen there; the PDF output of the dialog stands for "Pellix PDF".
class QtPrintSetupDialog final : public PrintSetupDialog {
  public:
    bool run(PRINTDLG& dialog) override;
};

}  // namespace pellix::platform
