#include "platform/qt/QtPrintersPdf.h"

#include <QBuffer>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPixmap>
#include <QRegion>
#include <algorithm>
#include <climits>

namespace pellix::platform {

namespace {

// A font of its own with the same description, so that no font data is shared between threads.
QFont fontApart(const QFont& font) {
    QFont apart;
    apart.fromString(font.toString());
    apart.setHintingPreference(font.hintingPreference());
    return apart;
}

}  // namespace

// Keeps every operation the painter sends, with the state it was sent in.
class RecordingDevice::Engine final : public QPaintEngine {
  public:
    Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform)
            add([t = state.transform()](QPainter& p, QPdfWriter&) { p.setTransform(t); });
        if (dirty & DirtyPen) add([pen = state.pen()](QPainter& p, QPdfWriter&) { p.setPen(pen); });
        if (dirty & DirtyBrush)
            add([brush = state.brush()](QPainter& p, QPdfWriter&) { p.setBrush(brush); });
        if (dirty & DirtyBrushOrigin)
            add([o = state.brushOrigin()](QPainter& p, QPdfWriter&) { p.setBrushOrigin(o); });
        if (dirty & DirtyFont)
            add([f = fontApart(state.font())](QPainter& p, QPdfWriter&) { p.setFont(f); });
        if (dirty & DirtyBackground)
            add([b = state.backgroundBrush()](QPainter& p, QPdfWriter&) { p.setBackground(b); });
        if (dirty & DirtyBackgroundMode)
            add([m = state.backgroundMode()](QPainter& p, QPdfWriter&) { p.setBackgroundMode(m); });
        if (dirty & DirtyHints)
            add([h = state.renderHints()](QPainter& p, QPdfWriter&) {
                p.setRenderHints(QPainter::RenderHints::fromInt(~0), false);
                p.setRenderHints(h, true);
            });
        if (dirty & DirtyCompositionMode)
            add([m = state.compositionMode()](QPainter& p, QPdfWriter&) {
                p.setCompositionMode(m);
            });
        if (dirty & DirtyOpacity)
            add([o = state.opacity()](QPainter& p, QPdfWriter&) { p.setOpacity(o); });
        if ((dirty & DirtyClipRegion) && state.clipOperation() != Qt::NoClip)
            add([r = state.clipRegion(), op = state.clipOperation()](QPainter& p, QPdfWriter&) {
                p.setClipRegion(r, op);
            });
        if ((dirty & DirtyClipPath) && state.clipOperation() != Qt::NoClip)
            add([path = state.clipPath(), op = state.clipOperation()](QPainter& p, QPdfWriter&) {
                p.setClipPath(path, op);
            });
        if (dirty & DirtyClipEnabled)
            add([on = state.isClipEnabled()](QPainter& p, QPdfWriter&) { p.setClipping(on); });
    }

    void drawRects(const QRectF* rects, int count) override {
        add([r = std::vector<QRectF>(rects, rects + count)](QPainter& p, QPdfWriter&) {
            p.drawRects(r.data(), int(r.size()));
        });
    }
    void drawLines(const QLineF* lines, int count) override {
        add([l = std::vector<QLineF>(lines, lines + count)](QPainter& p, QPdfWriter&) {
            p.drawLines(l.data(), int(l.size()));
        });
    }
    void drawEllipse(const QRectF& rect) override {
        add([rect](QPainter& p, QPdfWriter&) { p.drawEllipse(rect); });
    }
    void drawPath(const QPainterPath& path) override {
        add([path](QPainter& p, QPdfWriter&) { p.drawPath(path); });
    }
    void drawPoints(const QPointF* points, int count) override {
        add([pts = std::vector<QPointF>(points, points + count)](QPainter& p, QPdfWriter&) {
            p.drawPoints(pts.data(), int(pts.size()));
        });
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        add([pts = std::vector<QPointF>(points, points + count), mode](QPainter& p, QPdfWriter&) {
            if (mode == PolylineMode)
                p.drawPolyline(pts.data(), int(pts.size()));
            else
                p.drawPolygon(pts.data(), int(pts.size()),
                              mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        });
    }
    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
        add([target, image = pixmap.toImage(), source](QPainter& p, QPdfWriter&) {
            p.drawImage(target, image, source);
        });
    }
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override {
        add([target, image = image.copy(), source, flags](QPainter& p, QPdfWriter&) {
            p.drawImage(target, image, source, flags);
        });
    }
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        // The writer lays the text out again, in the same font at the same resolution.
        add([at, text = item.text(), f = fontApart(item.font())](QPainter& p, QPdfWriter&) {
            const QFont before = p.font();
            p.setFont(f);
            p.drawText(at, text);
            p.setFont(before);
        });
    }

    void add(PageOperation operation) { operations.push_back(std::move(operation)); }

    std::vector<PageOperation> operations;
};

RecordingDevice::RecordingDevice(const QPageLayout& layout, int dpi)
    : layout_(layout), dpi_(dpi), engine_(std::make_unique<Engine>()) {}

RecordingDevice::~RecordingDevice() = default;

QPaintEngine* RecordingDevice::paintEngine() const {
    return engine_.get();
}

void RecordingDevice::newPage() {
    engine_->add([](QPainter&, QPdfWriter& writer) { writer.newPage(); });
}

std::vector<PageOperation> RecordingDevice::takeOperations() {
    return std::exchange(engine_->operations, {});
}

int RecordingDevice::metric(PaintDeviceMetric metric) const {
    // What the PDF writer answers for the same page and resolution.
    const QRect pixels = layout_.paintRectPixels(dpi_);
    const QRectF mm = layout_.paintRect(QPageLayout::Millimeter);
    switch (metric) {
        case PdmWidth:
            return pixels.width();
        case PdmHeight:
            return pixels.height();
        case PdmWidthMM:
            return qRound(mm.width());
        case PdmHeightMM:
            return qRound(mm.height());
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dpi_;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

PdfLabelWriter::PdfLabelWriter(int workers, Store store)
    : store_(std::move(store)), capacity_(std::size_t(std::max(1, workers)) * 2) {
    for (int i = 0; i < std::max(1, workers); ++i) workers_.emplace_back([this] { work(); });
}

PdfLabelWriter::~PdfLabelWriter() {
    if (Result r = flush(); !r) qWarning("%s", qPrintable(r.message));
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
}

Result PdfLabelWriter::answerFailure() {
    if (!failure_) return Result::success();
    dropBefore_ = nextSeq_;
    return *std::exchange(failure_, std::nullopt);
}

Result PdfLabelWriter::submit(const QString& dir, const QPageLayout& layout, int dpi,
                              std::vector<PageOperation> operations) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return unwritten_ < capacity_; });
    queue_.push_back(Job{nextSeq_++, dir, layout, dpi, std::move(operations)});
    ++unwritten_;
    const Result answer = answerFailure();
    lock.unlock();
    changed_.notify_all();
    return answer;
}

Result PdfLabelWriter::flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return unwritten_ == 0; });
    return answerFailure();
}

namespace {

// The PDF of a recorded document; false when no PDF could be begun.
bool renderPdf(const QPageLayout& layout, int dpi, const std::vector<PageOperation>& operations,
               QByteArray& bytes) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(dpi);
        writer.setPageLayout(layout);
        writer.setCreator(QStringLiteral("Pellix"));
        writer.setTitle(QStringLiteral("Pellix label"));
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        for (const PageOperation& op : operations) op(painter, writer);
        if (!painter.end()) return false;
    }
    bytes = buffer.data();
    return true;
}

}  // namespace

void PdfLabelWriter::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();

        QByteArray bytes;
        const bool rendered = renderPdf(job.layout, job.dpi, job.operations, bytes);
        job.operations.clear();

        lock.lock();
        // The files take their numbers in the order the documents came.
        changed_.wait(lock, [&] { return nextStore_ == job.seq; });
        const bool drop = failure_.has_value() || job.seq < dropBefore_;
        lock.unlock();
        Result stored = Result::success();
        if (!drop)
            stored = rendered ? store_(job.dir, bytes)
                              : Result::failure(ErrorKind::DocumentFailed,
                                                QStringLiteral("PDFを作成できません。"));
        lock.lock();
        if (!stored && !failure_) failure_ = stored;
        ++nextStore_;
        --unwritten_;
        lock.unlock();
        changed_.notify_all();
    }
}

}  // namespace pellix::platform
