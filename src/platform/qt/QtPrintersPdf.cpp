#include "platform/qt/QtPrintersPdf.h"

#include <QBuffer>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPixmap>
#include <QRegion>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <map>
#include <set>

namespace pellix::platform {

namespace {

// Documents a worker takes at once.
constexpr std::size_t kBatch = 8;

// Copies of their own, so that no data is shared between the threads: a path caches its bounds
// in data its copies share, and a font its engines.
QPainterPath pathApart(const QPainterPath& path) {
    QPainterPath apart;
    apart.addPath(path);
    apart.setFillRule(path.fillRule());
    return apart;
}

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
            add([rects = std::vector<QRect>(state.clipRegion().begin(), state.clipRegion().end()),
                 op = state.clipOperation()](QPainter& p, QPdfWriter&) {
                QRegion region;
                region.setRects(rects.data(), int(rects.size()));
                p.setClipRegion(region, op);
            });
        if ((dirty & DirtyClipPath) && state.clipOperation() != Qt::NoClip)
            add([path = pathApart(state.clipPath()), op = state.clipOperation()](
                    QPainter& p, QPdfWriter&) { p.setClipPath(path, op); });
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
        add([path = pathApart(path)](QPainter& p, QPdfWriter&) { p.drawPath(path); });
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
    ++pages_;
}

std::vector<PageOperation> RecordingDevice::takeOperations() {
    pages_ = 1;
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
    : store_(std::move(store)), capacity_(std::size_t(std::max(1, workers)) * kBatch) {
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
                              std::vector<PageOperation> operations, int pages) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return unwritten_ < capacity_; });
    queue_.push_back(Job{nextSeq_++, dir, layout, dpi, std::move(operations), pages});
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

// One PDF of the documents' pages, each document's pages after the previous one's, drawn from
// the same starting state; false when no PDF could be begun.
template <typename Documents>
bool renderPdf(const QPageLayout& layout, int dpi, const Documents& documents, QByteArray& bytes) {
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
        bool first = true;
        for (const std::vector<PageOperation>* operations : documents) {
            if (!first) writer.newPage();
            first = false;
            painter.save();
            for (const PageOperation& op : *operations) op(painter, writer);
            painter.restore();
        }
        if (!painter.end()) return false;
    }
    bytes = buffer.data();
    return true;
}

// An object of the file: where it lies, and the part before its stream (the whole object when
// it has none), where its references are.
struct PdfObject {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype textEnd = 0;
};

const QRegularExpression& referencePattern() {
    // Each worker has its own: a pattern is compiled on first use.
    thread_local const QRegularExpression re(QStringLiteral(R"((?<![\d.])(\d+) 0 R(?![\w]))"));
    return re;
}

QList<int> references(const QByteArray& text) {
    QList<int> out;
    const QString t = QString::fromLatin1(text);
    for (auto it = referencePattern().globalMatch(t); it.hasNext();)
        out << it.next().captured(1).toInt();
    return out;
}

// The text with every reference and the object's own number renumbered.
QByteArray renumbered(const QByteArray& text, const std::map<int, int>& numbers, bool& ok) {
    QString t = QString::fromLatin1(text);
    QString result;
    qsizetype last = 0;
    for (auto it = referencePattern().globalMatch(t); it.hasNext();) {
        const auto m = it.next();
        const auto n = numbers.find(m.captured(1).toInt());
        if (n == numbers.end()) {
            ok = false;
            return {};
        }
        result += t.mid(last, m.capturedStart(1) - last) + QString::number(n->second);
        last = m.capturedEnd(1);
    }
    result += t.mid(last);
    return result.toLatin1();
}

}  // namespace

bool splitPdf(const QByteArray& pdf, const std::vector<int>& pageCounts,
              std::vector<QByteArray>& out) {
    out.clear();
    // The cross-reference table: where every object lies.
    const qsizetype sx = pdf.lastIndexOf("startxref");
    if (sx < 0) return false;
    bool ok = false;
    const qsizetype xref =
        pdf.mid(sx + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || xref <= 0 || xref >= sx || !pdf.mid(xref).startsWith("xref")) return false;
    const QList<QByteArray> lines = pdf.mid(xref, sx - xref).split('\n');
    const QList<QByteArray> range = lines.value(1).trimmed().split(' ');
    const int count = range.value(1).toInt(&ok);
    if (!ok || range.value(0) != "0" || lines.size() < count + 3) return false;
    std::map<int, PdfObject> objects;
    std::vector<qsizetype> starts;
    for (int i = 1; i < count; ++i) {
        const QList<QByteArray> entry = lines[i + 2].trimmed().split(' ');
        if (entry.value(2) != "n") continue;
        objects[i].start = entry.value(0).toLongLong(&ok);
        if (!ok) return false;
        starts.push_back(objects[i].start);
    }
    std::sort(starts.begin(), starts.end());
    if (starts.empty()) return false;
    for (auto& [number, object] : objects) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), object.start);
        object.end = next == starts.end() ? xref : *next;
        if (!pdf.mid(object.start).startsWith(QByteArray::number(number) + " 0 obj")) return false;
        const qsizetype stream = pdf.indexOf("stream", object.start);
        object.textEnd = stream >= 0 && stream < object.end ? stream : object.end;
    }
    const auto text = [&](int number) {
        const PdfObject& o = objects.at(number);
        return pdf.mid(o.start, o.textEnd - o.start);
    };
    const QByteArray trailer = pdf.mid(xref, sx - xref);
    thread_local const QRegularExpression rootRe(QStringLiteral(R"(/Root (\d+) 0 R)"));
    thread_local const QRegularExpression infoRe(QStringLiteral(R"(/Info (\d+) 0 R)"));
    thread_local const QRegularExpression pagesRe(QStringLiteral(R"(/Pages (\d+) 0 R)"));
    thread_local const QRegularExpression kidsRe(QStringLiteral(R"(/Kids\s*\[([^\]]*)\])"));
    thread_local const QRegularExpression countRe(QStringLiteral(R"(/Count\s+\d+)"));
    const auto root = rootRe.match(QString::fromLatin1(trailer));
    const auto info = infoRe.match(QString::fromLatin1(trailer));
    if (!root.hasMatch() || !objects.count(root.captured(1).toInt())) return false;
    const int rootNumber = root.captured(1).toInt();
    const auto pagesRef = pagesRe.match(QString::fromLatin1(text(rootNumber)));
    if (!pagesRef.hasMatch() || !objects.count(pagesRef.captured(1).toInt())) return false;
    const int pagesNumber = pagesRef.captured(1).toInt();
    const QString pagesText = QString::fromLatin1(text(pagesNumber));
    const auto kids = kidsRe.match(pagesText);
    if (!kids.hasMatch()) return false;
    const QList<int> pages = references(kids.captured(1).toLatin1());
    int total = 0;
    for (int c : pageCounts) total += c;
    if (total != pages.size()) return false;

    const QByteArray header = pdf.left(starts.front());
    int firstPage = 0;
    std::vector<QByteArray> files;
    for (int c : pageCounts) {
        // Everything the document's pages and the catalogue and information reach, apart from
        // the page tree, which each document has of its own.
        std::set<int> needed;
        std::vector<int> todo{rootNumber};
        if (info.hasMatch()) todo.push_back(info.captured(1).toInt());
        for (int i = 0; i < c; ++i) todo.push_back(pages[firstPage + i]);
        while (!todo.empty()) {
            const int n = todo.back();
            todo.pop_back();
            if (n == pagesNumber || needed.count(n)) continue;
            if (!objects.count(n)) return false;
            needed.insert(n);
            for (int r : references(text(n))) todo.push_back(r);
        }
        std::map<int, int> numbers;
        int next = 1;
        for (int n : needed) numbers[n] = next++;
        numbers[pagesNumber] = next++;

        QByteArray file = header;
        std::map<int, qsizetype> offsets;
        bool renamed = true;
        for (int n : needed) {
            const PdfObject& o = objects.at(n);
            offsets[numbers[n]] = file.size();
            file += QByteArray::number(numbers[n]);
            const QByteArray head = text(n).mid(QByteArray::number(n).size());
            file += renumbered(head, numbers, renamed);
            file += pdf.mid(o.textEnd, o.end - o.textEnd);
        }
        QString kidsText;
        for (int i = 0; i < c; ++i) kidsText += QStringLiteral("%1 0 R ").arg(pages[firstPage + i]);
        QString tree = pagesText.mid(QString::number(pagesNumber).size());
        tree.replace(kidsRe, QStringLiteral("/Kids [%1]").arg(kidsText));
        tree.replace(countRe, QStringLiteral("/Count %1").arg(c));
        offsets[numbers[pagesNumber]] = file.size();
        file += QByteArray::number(numbers[pagesNumber]);
        file += renumbered(tree.toLatin1(), numbers, renamed);
        file += pdf.mid(objects.at(pagesNumber).textEnd,
                        objects.at(pagesNumber).end - objects.at(pagesNumber).textEnd);
        if (!renamed) return false;

        const qsizetype table = file.size();
        file += "xref\n0 " + QByteArray::number(next) + "\n0000000000 65535 f \n";
        for (const auto& [n, at] : offsets)
            file += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
        file += "trailer\n<<\n/Size " + QByteArray::number(next) + "\n";
        if (info.hasMatch())
            file += "/Info " + QByteArray::number(numbers[info.captured(1).toInt()]) + " 0 R\n";
        file += "/Root " + QByteArray::number(numbers[rootNumber]) + " 0 R\n>>\nstartxref\n" +
                QByteArray::number(table) + "\n%%EOF\n";
        files.push_back(std::move(file));
        firstPage += c;
    }
    out = std::move(files);
    return true;
}

void PdfLabelWriter::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        // Every document waiting with the same page, up to a batch.
        std::vector<Job> batch;
        while (!queue_.empty() && batch.size() < kBatch &&
               (batch.empty() || (queue_.front().layout == batch.front().layout &&
                                  queue_.front().dpi == batch.front().dpi))) {
            batch.push_back(std::move(queue_.front()));
            queue_.pop_front();
        }
        lock.unlock();

        std::vector<QByteArray> files;
        bool rendered = false;
        if (batch.size() > 1) {
            std::vector<const std::vector<PageOperation>*> documents;
            std::vector<int> pageCounts;
            for (const Job& job : batch) {
                documents.push_back(&job.operations);
                pageCounts.push_back(job.pages);
            }
            QByteArray bytes;
            rendered = renderPdf(batch.front().layout, batch.front().dpi, documents, bytes) &&
                       splitPdf(bytes, pageCounts, files);
        }
        if (!rendered) {
            // One PDF for each document.
            files.assign(batch.size(), QByteArray());
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const std::vector<const std::vector<PageOperation>*> one{&batch[i].operations};
                if (!renderPdf(batch[i].layout, batch[i].dpi, one, files[i])) files[i].clear();
            }
        }
        for (Job& job : batch) job.operations.clear();

        for (std::size_t i = 0; i < batch.size(); ++i) {
            const Job& job = batch[i];
            lock.lock();
            // The files take their numbers in the order the documents came.
            changed_.wait(lock, [&] { return nextStore_ == job.seq; });
            const bool drop = failure_.has_value() || job.seq < dropBefore_;
            lock.unlock();
            Result stored = Result::success();
            if (!drop)
                stored = !files[i].isEmpty()
                             ? store_(job.dir, files[i])
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
}

}  // namespace pellix::platform
