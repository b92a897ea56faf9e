#pragma once

#include "platform/Result.h"

#include <QString>

namespace pellix::platform {
struct BarcodePicture;
}

namespace pellix::printing {

// What the label renderer draws on: the application printer seen through its current unit.
// Positions and sizes are in the unit chosen with ScaleMode (6 = millimetres), from the top left
// corner of the printable area; font sizes are in points. A document begins with the first
// drawing operation after the previous EndDoc or KillDoc. Drawing answers nothing, as on the
// printer object: a failure (a document that cannot be started, a page refused) is kept and
// answered by the next EndDoc.
class PrinterSurface {
  public:
    virtual ~PrinterSurface() = default;

    // Face, size and styles for text printed afterwards.
    virtual void Font(const QString& face, double points, bool bold, bool italic) = 0;
    virtual void FontSize(double points) = 0;
    virtual void FontBold(bool on) = 0;
    virtual void FontItalic(bool on) = 0;
    // Unit of positions and sizes: 1 twips, 2 points, 3 device pixels, 5 inches,
    // 6 millimetres, 7 centimetres.
    virtual void ScaleMode(int mode) = 0;
    // Width and height of the printable area in the current unit.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    virtual double CurrentX() const = 0;
    virtual double CurrentY() const = 0;
    virtual void CurrentX(double x) = 0;
    virtual void CurrentY(double y) = 0;
    // Draws the text with its top left corner at the current position, then moves to the start
    // of the next line (X to 0, Y down by the text's height).
    virtual void Print(const QString& text) = 0;
    virtual double TextWidth(const QString& text) const = 0;
    virtual double TextHeight(const QString& text) const = 0;
    // Thickness of lines in device pixels.
    virtual void DrawWidth(int pixels) = 0;
    // A black line; parts outside the printable area are clipped.
    virtual void Line(double x1, double y1, double x2, double y2) = 0;
    // The picture with its top left at (x, y), the given width and its own height.
    virtual void PaintPicture(const platform::BarcodePicture& picture, double x, double y,
                              double width) = 0;
    virtual void NewPage() = 0;
    // Ends the document and hands it to the printer; nothing is printed without a document.
    // Answers the first failure since the previous EndDoc (DocumentFailed): a document that could
    // not be started, a page refused, or the hand-over.
    virtual Result EndDoc() = 0;
    // Discards the document in progress: nothing of it is printed. A failure stays for EndDoc.
    virtual void KillDoc() = 0;
};

}  // namespace pellix::printing
