#include "printing/QPainterSurface.h"

#include "platform/Barcode.h"
#include "platform/Fonts.h"
#include "platform/PrinterSystem.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <utility>

namespace pellix::printing {

namespace {
constexpr double kMmPerInch = 25.4;
}

QPainterSurface::QPainterSurface(platform::PrinterSystem& printers) : printers_(printers) {
    platform::installFontSubstitutions();
}

QPainterSurface::~QPainterSurface() {
    KillDoc();
}

QFont QPainterSurface::font() const {
    QFont f(face_);
    f.setPointSizeF(points_);
    f.setBold(bold_);
    f.setItalic(italic_);
    // Metrics independent of the device's pixel grid, so that measuring and printing agree.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void QPainterSurface::Font(const QString& face, double points, bool bold, bool italic) {
    face_ = face;
    points_ = points;
    bold_ = bold;
    italic_ = italic;
}

void QPainterSurface::FontSize(double points) {
    points_ = points;
}
void QPainterSurface::FontBold(bool on) {
    bold_ = on;
}
void QPainterSurface::FontItalic(bool on) {
    italic_ = on;
}
void QPainterSurface::ScaleMode(int mode) {
    scaleMode_ = mode;
}

double QPainterSurface::unitsPerMm() const {
    switch (scaleMode_) {
        case 2:
            return 72.0 / kMmPerInch;
        case 3:
            return (doc_ ? doc_->dotsPerInch() : printers_.dotsPerInch()) / kMmPerInch;
        case 5:
            return 1.0 / kMmPerInch;
        case 6:
            return 1.0;
        case 7:
            return 0.1;
        default:
            return 1440.0 / kMmPerInch;
    }
}

double QPainterSurface::devicePixels(double units) const {
    const double dpi = doc_ ? doc_->dotsPerInch() : printers_.dotsPerInch();
    return units / unitsPerMm() / kMmPerInch * dpi;
}

const QPaintDevice* QPainterSurface::measureDevice() const {
    const double dpi = doc_ ? doc_->dotsPerInch() : printers_.dotsPerInch();
    const int dpm = int(std::lround(dpi / 0.0254));
    if (measure_.isNull() || measure_.dotsPerMeterX() != dpm) {
        measure_ = QImage(1, 1, QImage::Format_ARGB32);
        measure_.setDotsPerMeterX(dpm);
        measure_.setDotsPerMeterY(dpm);
    }
    return &measure_;
}

double QPainterSurface::ScaleWidth() const {
    return printers_.printableAreaMm().width() * unitsPerMm();
}
double QPainterSurface::ScaleHeight() const {
    return printers_.printableAreaMm().height() * unitsPerMm();
}

double QPainterSurface::TextWidth(const QString& text) const {
    const QFontMetricsF fm(font(), measureDevice());
    return fm.horizontalAdvance(text) / devicePixels(1.0);
}

double QPainterSurface::TextHeight(const QString&) const {
    const QFontMetricsF fm(font(), measureDevice());
    return fm.height() / devicePixels(1.0);
}

bool QPainterSurface::ensureDocument() {
    if (doc_) return true;
    if (!failure_) return false;  // no second attempt before the failure is answered
    if (Result opened = printers_.openDocument(doc_); !opened || !doc_) {
        doc_.reset();
        failure_ = !opened ? opened
                           : Result::failure(ErrorKind::DocumentFailed,
                                             QStringLiteral("印刷を開始できません。"));
        return false;
    }
    QPainter& p = doc_->painter();
    p.setClipRect(QRect(QPoint(0, 0), QSize(p.device()->width(), p.device()->height())));
    return true;
}

void QPainterSurface::Print(const QString& text) {
    if (ensureDocument()) {
        QPainter& p = doc_->painter();
        const QFont f = font();
        p.setFont(f);
        p.setPen(Qt::black);
        const QFontMetricsF fm(f, p.device());
        p.drawText(QPointF(devicePixels(x_), devicePixels(y_) + fm.ascent()), text);
    }
    y_ = float(y_ + TextHeight(text));
    x_ = 0;
}

void QPainterSurface::Line(double x1, double y1, double x2, double y2) {
    if (!ensureDocument()) return;
    QPainter& p = doc_->painter();
    p.setPen(QPen(Qt::black, std::max(1, drawWidth_), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(devicePixels(x1), devicePixels(y1)),
               QPointF(devicePixels(x2), devicePixels(y2)));
}

void QPainterSurface::PaintPicture(const platform::BarcodePicture& picture, double x, double y,
                                   double width) {
    if (!ensureDocument()) return;
    const double height = picture.naturalSizeMm().height() * unitsPerMm();
    picture.paint(doc_->painter(), QRectF(devicePixels(x), devicePixels(y), devicePixels(width),
                                          devicePixels(height)));
}

void QPainterSurface::NewPage() {
    if (!ensureDocument()) return;
    if (!doc_->newPage() && failure_)
        failure_ =
            Result::failure(ErrorKind::DocumentFailed, QStringLiteral("改ページできません。"));
}

Result QPainterSurface::EndDoc() {
    Result answer = std::exchange(failure_, Result::success());
    if (!doc_) return answer;
    const Result handedOver = doc_->finish();
    doc_.reset();
    return !answer ? answer : handedOver;
}

void QPainterSurface::KillDoc() {
    if (!doc_) return;
    doc_->discard();
    doc_.reset();
}

}  // namespace pellix::printing
