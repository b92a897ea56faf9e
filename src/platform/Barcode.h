#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>

class QPainter;

namespace pellix::platform {

// The barcode layer: the barcode text "JAN-" followed by the barcode value becomes a picture
// of the bars.
//
// The barcode text. "JAN-" says the value is a JAN (EAN) number; it must be followed by digits
// only:
//  - 12 digits: EAN-13, the check digit is computed and added;
//  - 13 digits: EAN-13, the last digit must be the right check digit;
//  - 7 digits: EAN-8, the check digit is computed and added;
//  - 8 digits: EAN-8, the last digit must be the right check digit.
// Any other text (no prefix, other characters, other lengths, a wrong check digit) gives no
// barcode.
//
// The three parameters (print values 5, 25, 1):
//  - p1: width of the narrowest bar (one module) in pixels at 96 dpi; below 1 counts as 1.
//  - p2: height of the bars in pixels at 96 dpi; below 1 gives 50 modules.
//  - p3: quiet zones: non-zero keeps the light margins the symbol needs on both sides (EAN-13:
//    11 modules left, 7 right; EAN-8: 7 and 7), 0 gives the bars alone.
// The picture never holds the digits: the label prints them as text of its own.

// The digits of a valid barcode text with the check digit in place (13 or 8 digits).
std::optional<QByteArray> janDigits(const QByteArray& barcodeText);

// The check digit of the 12 (EAN-13) or 7 (EAN-8) digits before it.
int eanCheckDigit(const QByteArray& digits);

// A barcode as bars in module units, with the natural size of the picture at 96 dpi.
struct BarcodePicture {
    struct Bar {
        double x = 0;      // left edge in modules from the picture's left edge
        double width = 0;  // in modules
    };
    QByteArray digits;  // the encoded number, check digit included
    QList<Bar> bars;
    int modules = 0;          // picture width in modules, quiet zones included
    double modulePixels = 1;  // module width in pixels at 96 dpi
    double heightPixels = 0;  // bar height in pixels at 96 dpi

    // Natural size in pixels at 96 dpi.
    QSizeF naturalSize() const { return {modules * modulePixels, heightPixels}; }
    // Natural size in millimetres.
    QSizeF naturalSizeMm() const;

    // Paints the bars black into target (painter coordinates): every bar edge snapped to whole
    // device pixels, no antialiasing, so the bars stay sharp at any resolution.
    void paint(QPainter& painter, const QRectF& target) const;
};

// Encodes a barcode text with the three parameters; nullopt when it gives no barcode.
std::optional<BarcodePicture> encodeBarcode(const QByteArray& barcodeText, std::int16_t p1,
                                            std::int16_t p2, std::int16_t p3);

// The in-process hand-over of barcode pictures, in place of the system clipboard: it holds a
// picture or nothing, and the operator's clipboard is never touched.
struct PictureSlot {
    std::optional<BarcodePicture> picture;
    bool hasPicture() const { return picture.has_value(); }
};

// Makes the barcode of the text and leaves it in the slot; a text that gives no barcode empties
// the slot, so no earlier picture is taken for it. Answers 1 when a picture was made, else 0.
std::int32_t BarcodeCopy(const QByteArray& barcodeText, std::int16_t p1, std::int16_t p2,
                         std::int16_t p3, PictureSlot& slot);

// Draws the barcode of the text at natural size with its top left at (x, y), in the painter's
// units (pixels of a picture box). Answers 1 when it drew a barcode, else 0.
std::int16_t BarcodeDisplay2(const QByteArray& barcodeText, std::int16_t x, std::int16_t y,
                             std::int16_t p1, std::int16_t p2, std::int16_t p3, QPainter& painter);

}  // namespace pellix::platform
