#pragma once

#include "platform/Barcode.h"
#include "shell/windowing/Window.h"

class QLabel;
class QLineEdit;

namespace pellix::printing {

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

}  // namespace pellix::printing
