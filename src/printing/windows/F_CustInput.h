#pragma once

#include "platform/Barcode.h"
#include "platform/Result.h"
#include "shell/windowing/Window.h"

class QLabel;
class QLineEdit;

namespace pellix::printing {

struct LabelJob;
class PrinterSurface;

// The continuous print job form. It holds the label data that the runs fill and the renderer
// prints (for both runs), and the runs' count-down.
class F_CustInput : public shell::Window {
    Q_OBJECT
  public:
    explicit F_CustInput(shell::AppContext& ctx);

    void Form_Load() override {}

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
    // Count-down of labels still allowed in the run, as text.
    QLabel* Label_PP = nullptr;
    // The barcode picture of the label; empty when the record gave no barcode.
    platform::PictureSlot Picture2;
};

// The label job as the fields hold it now: the label data of F_CustInput and the titles in the
// boxes of the output layout dialog Form3, an edited one included. A form that is not loaded is
// loaded without being shown; one that refuses to load fails the job (LoadRefused).
Result labelJobFromForms(shell::AppContext& ctx, LabelJob& job);

// Prints one label of the forms' label job with the progress window, on the application printer
// or on the given surface; the run control of the context carries the cancel.
Result printLabel(shell::AppContext& ctx);
Result printLabel(shell::AppContext& ctx, PrinterSurface& printer);

}  // namespace pellix::printing
