#pragma once

#include "platform/PrintSetupDialog.h"
#include "platform/PrinterSystem.h"

#include <QDialog>
#include <QPageSize>
#include <functional>

class QComboBox;
class QDoubleSpinBox;

namespace pellix::platform {

// Output folder of the built-in PDF printer: PELLIX_PDF_DIR when set, else ~/Pellix/labels.
QString pdfOutputDir();

// The page a paper code stands for; an invalid page for a code Qt does not know. Code 256
// needs the user-defined size in millimetres.
QPageSize pageForCode(int code, const QSizeF& userDefinedMm = {});

// Printers through Qt PrintSupport: the CUPS queues in CUPS's order, then the built-in
// "Pellix PDF". The application printer starts as CUPS's default queue, or "Pellix PDF" when
// CUPS has none. Every document is drawn as a PDF in memory: "Pellix PDF" stores it as the next
// numbered file of its folder (written under a hidden temporary name, renamed when complete and
// on the disk), a CUPS queue receives it through the CUPS client (lp) with the paper, duplex and
// colour settings as job options. A discarded document goes nowhere.
//
// A document of "Pellix PDF" is drawn into a recording; when it ends, worker threads turn it into
// its PDF and store the files in the order the documents ended, while the next label is drawn.
// So a failure to write a label's file (a folder that cannot be made or written, a full disk)
// comes back later: from the finish() of a later document or from flush(), whichever comes
// first, once, with a message that names the folder or the file. After such a failure no later
// document is written until it has been answered, and the documents that ended before it was
// answered are dropped, so the folder never holds a later label of the run without the earlier
// ones. flush() waits until every document that ended has been written or dropped; a run calls
// it at its end. finish() waits only while several ended documents are still unwritten. CUPS
// documents are handed to the queue within finish().
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

    QList<Paper> papers() const override;
    std::optional<double> width() const override;
    std::optional<double> height() const override;
    bool setWidth(double twips) override;
    bool setHeight(double twips) override;

    QSizeF printableAreaMm() const override;
    double dotsPerInch() const override;
    Result openDocument(std::unique_ptr<PrintDocument>& document) override;
    Result flush() override;

  private:
    struct State;
    bool setPaperSide(double twips, Qt::Orientation side);
    std::unique_ptr<State> s_;
};

// The print set-up window: the printer, its paper (a listed size or a user-defined width and
// height), orientation, duplex and colour. It offers only what the records carry, so every choice
// made in it reaches the application printer; "Pellix PDF" is one of the printers, and no output
// file is asked for, since that printer numbers its files itself.
class PrintSetupWindow final : public QDialog {
  public:
    explicit PrintSetupWindow(QWidget* owner = nullptr);

    // Shows the printer and settings of the records.
    void load(const PRINTDLG& dialog);
    // Writes the shown choice into the records; paper source, quality and zoom, which the window
    // does not offer, keep what they were.
    void store(PRINTDLG& dialog) const;

    QComboBox* printers;          // the installed printers; "Pellix PDF" last
    QComboBox* paper;             // the chosen printer's paper codes, each item carrying its code
    QDoubleSpinBox* paperWidth;   // millimetres, for the user-defined size
    QDoubleSpinBox* paperHeight;  // millimetres, for the user-defined size
    QComboBox* orientation;       // items carry the orientation codes
    QComboBox* duplex;            // the chosen printer's duplex codes
    QComboBox* color;             // items carry the colour mode codes

  private:
    // Fills the paper and duplex lists for the chosen printer, keeping the choices it offers.
    void fillForPrinter();
    void paperChanged();
};

// The print set-up dialog as that window.
class QtPrintSetupDialog final : public PrintSetupDialog {
  public:
    bool run(PRINTDLG& dialog) override;

    // Runs the window modally and answers its result; a test works the window instead.
    std::function<int(QDialog&)> exec = [](QDialog& window) { return window.exec(); };
};

}  // namespace pellix::platform
