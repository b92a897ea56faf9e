#pragma once

#include "printing/PrinterSurface.h"

#include <QFont>
#include <QImage>
#include <memory>

namespace pellix::platform {
class PrinterSystem;
class PrintDocument;
}  // namespace pellix::platform

namespace pellix::printing {

// The surface on the application printer. Text is drawn in device pixels with point-sized fonts
// (never through a painter scaled to millimetres, which spoils synthesised bold at small sizes);
// barcodes are drawn as bars snapped to device pixels.
class QPainterSurface final : public PrinterSurface {
  public:
    explicit QPainterSurface(platform::PrinterSystem& printers);
    ~QPainterSurface() override;  // a document still open is discarded

    void Font(const QString& face, double points, bool bold, bool italic) override;
    void FontSize(double points) override;
    void FontBold(bool on) override;
    void FontItalic(bool on) override;
    void ScaleMode(int mode) override;
    double ScaleWidth() const override;
    double ScaleHeight() const override;
    double CurrentX() const override { return x_; }
    double CurrentY() const override { return y_; }
    void CurrentX(double x) override { x_ = float(x); }
    void CurrentY(double y) override { y_ = float(y); }
    void Print(const QString& text) override;
    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text) const override;
    void DrawWidth(int pixels) override { drawWidth_ = pixels; }
    void Line(double x1, double y1, double x2, double y2) override;
    void PaintPicture(const platform::BarcodePicture& picture, double x, double y,
                      double width) override;
    void NewPage() override;
    Result EndDoc() override;
    void KillDoc() override;

    // The font text is printed in.
    QFont font() const;

  private:
    bool ensureDocument();
    double unitsPerMm() const;
    double devicePixels(double units) const;  // a length in the current unit, in device pixels
    const QPaintDevice* measureDevice() const;

    platform::PrinterSystem& printers_;
    std::unique_ptr<platform::PrintDocument> doc_;
    Result failure_;  // the first failure since the last EndDoc
    QString face_;
    double points_ = 9;
    bool bold_ = false;
    bool italic_ = false;
    int scaleMode_ = 1;
    float x_ = 0;  // the printer keeps positions in single precision
    float y_ = 0;
    int drawWidth_ = 1;
    mutable QImage measure_;
};

}  // namespace pellix::printing
