#include "platform/qt/QtPrinters.h"

#include "platform/qt/QtPrintersPdf.h"

#include <fcntl.h>
#include <unistd.h>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace pellix::platform {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;
constexpr int kHighestPaperCode = 1024;
constexpr double kPdfDefaultDpi = 1200.0;

// Paper sources the device-mode record names (DMBIN_*).
bool isPaperSource(int code) {
    return (code >= 1 && code <= 11) || code == 14 || code == 15;
}

QPrinter::PaperSource qtPaperSource(int code) {
    switch (code) {
        case 1:
            return QPrinter::OnlyOne;
        case 2:
            return QPrinter::Lower;
        case 3:
            return QPrinter::Middle;
        case 4:
            return QPrinter::Manual;
        case 5:
            return QPrinter::Envelope;
        case 6:
            return QPrinter::EnvelopeManual;
        case 8:
            return QPrinter::Tractor;
        case 9:
            return QPrinter::SmallFormat;
        case 10:
            return QPrinter::LargeFormat;
        case 11:
            return QPrinter::LargeCapacity;
        case 14:
            return QPrinter::Cassette;
        case 15:
            return QPrinter::FormSource;
        default:
            return QPrinter::Auto;
    }
}

int duplexCode(QPrinter::DuplexMode mode) {
    switch (mode) {
        case QPrinter::DuplexLongSide:
            return 2;
        case QPrinter::DuplexShortSide:
            return 3;
        default:
            return 1;
    }
}

QPrinter::DuplexMode qtDuplex(int code) {
    switch (code) {
        case 2:
            return QPrinter::DuplexLongSide;
        case 3:
            return QPrinter::DuplexShortSide;
        default:
            return QPrinter::DuplexNone;
    }
}

QPageLayout::Orientation qtOrientation(int code) {
    return code == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// A document drawn into an in-memory PDF, so that a discarded document leaves nothing behind
// anywhere; when it ends, deliver() hands the bytes on.
class PdfDocument final : public PrintDocument {
  public:
    using Deliver = std::function<Result(const QByteArray&)>;
    PdfDocument(const QPageLayout& layout, double dpi, Deliver deliver)
        : deliver_(std::move(deliver)) {
        buffer_.open(QIODevice::WriteOnly);
        writer_ = std::make_unique<QPdfWriter>(&buffer_);
        writer_->setResolution(int(dpi));
        writer_->setPageLayout(layout);
        writer_->setCreator(QStringLiteral("Pellix"));
        writer_->setTitle(QStringLiteral("Pellix label"));
        painter_.begin(writer_.get());
    }
    ~PdfDocument() override {
        if (painter_.isActive()) painter_.end();
    }
    bool started() const { return painter_.isActive(); }
    QPainter& painter() override { return painter_; }
    double dotsPerInch() const override { return writer_->resolution(); }
    bool newPage() override { return writer_->newPage(); }
    Result finish() override {
        painter_.end();
        return deliver_(buffer_.data());
    }
    void discard() override {
        if (painter_.isActive()) painter_.end();
        buffer_.close();
        buffer_.setData(QByteArray());
    }

  private:
    Deliver deliver_;
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};

// A document of the built-in printer: drawn into a recording on the thread that prints, and
// turned into its PDF file by the label writer once it ends. A discarded document is never handed
// over, so it leaves nothing.
class RecordedPdfDocument final : public PrintDocument {
  public:
    RecordedPdfDocument(const QPageLayout& layout, int dpi, QString dir, PdfLabelWriter& writer)
        : layout_(layout), dpi_(dpi), dir_(std::move(dir)), writer_(writer), device_(layout, dpi) {
        painter_.begin(&device_);
    }
    ~RecordedPdfDocument() override {
        if (painter_.isActive()) painter_.end();
    }
    bool started() const { return painter_.isActive(); }
    QPainter& painter() override { return painter_; }
    double dotsPerInch() const override { return dpi_; }
    bool newPage() override {
        device_.newPage();
        return true;
    }
    Result finish() override {
        painter_.end();
        const int pages = device_.pages();
        return writer_.submit(dir_, layout_, dpi_, device_.takeOperations(), pages);
    }
    void discard() override {
        if (painter_.isActive()) painter_.end();
        (void)device_.takeOperations();
    }

  private:
    QPageLayout layout_;
    int dpi_;
    QString dir_;
    PdfLabelWriter& writer_;
    RecordingDevice device_;
    QPainter painter_;
};

Result documentFailed(const QString& message) {
    return Result::failure(ErrorKind::DocumentFailed, message);
}

// Moves a complete file to a name that no file has, never replacing one; false (errno EEXIST)
// when another program took the name first.
bool moveToFreeName(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that kind of rename: a hard link never replaces a file either.
    if (::link(source.constData(), target.constData()) != 0) return false;
    // The label is in place; a temporary name left behind is only clutter.
    (void)::unlink(source.constData());
    return true;
}

// Stores a document of the built-in printer as the next numbered file of the folder. The bytes
// go to a hidden temporary file first, which takes a label's name only once it is complete and
// on the disk, so that a crash or a full disk never leaves a partial label.
// The number a run's next label takes in a folder, so that the folder is read once per run.
struct NextNumber {
    QString dir;
    qint64 next = 0;  // none known
};

Result storeNumbered(const QString& dir, const QByteArray& bytes, NextNumber& hint) {
    if (!QDir().mkpath(dir))
        return documentFailed(QStringLiteral("PDFの出力フォルダ %1 を作成できません。").arg(dir));
    QTemporaryFile part(dir + QStringLiteral("/.label-XXXXXX.part"));
    const auto writeFailure = [&] {
        return documentFailed(QStringLiteral("PDFの出力フォルダ %1 に書き込めません。%2")
                                  .arg(dir, part.errorString()));
    };
    if (!part.open()) return writeFailure();
    if (part.write(bytes) != bytes.size() || !part.flush()) return writeFailure();
    if (::fsync(part.handle()) != 0)
        return documentFailed(QStringLiteral("PDFの出力フォルダ %1 に書き込めません。%2")
                                  .arg(dir, QString::fromLocal8Bit(std::strerror(errno))));
    part.close();
    if (part.error() != QFileDevice::NoError) return writeFailure();

    // The number after the highest in the folder.
    const auto firstFree = [&dir] {
        thread_local const QRegularExpression numbered(QStringLiteral(R"(^label-(\d+)\.pdf$)"));
        qint64 next = 1;
        for (const QString& name :
             QDir(dir).entryList({QStringLiteral("label-*.pdf")}, QDir::Files)) {
            const auto m = numbered.match(name);
            if (m.hasMatch()) next = std::max(next, m.captured(1).toLongLong() + 1);
        }
        return next;
    };
    bool known = hint.dir == dir && hint.next > 0;
    qint64 next = known ? hint.next : firstFree();
    for (int attempt = 0; attempt < 1000; ++attempt, ++next) {
        const QString name =
            QStringLiteral("%1/label-%2.pdf").arg(dir).arg(next, 6, 10, QLatin1Char('0'));
        // Two programs printing at once never take the same name.
        if (moveToFreeName(part.fileName(), name)) {
            hint = {dir, next + 1};
            return Result::success();
        }
        if (errno != EEXIST)
            return documentFailed(QStringLiteral("PDFファイル %1 を作成できません。%2")
                                      .arg(name, QString::fromLocal8Bit(std::strerror(errno))));
        if (known) {
            // Another program writes into the folder too: after its highest number.
            known = false;
            next = firstFree() - 1;
        }
    }
    return documentFailed(
        QStringLiteral("PDFの出力フォルダ %1 に書き込めるファイル名がありません。").arg(dir));
}

// Hands a document to a CUPS queue with the CUPS client. Qt's own CUPS engine cannot withdraw
// a document once drawing has begun, so documents are drawn as PDF first and sent only when
// they end.
Result submitToCups(const QString& queue, const QStringList& options, const QByteArray& bytes) {
    QStringList args{QStringLiteral("-d"), queue, QStringLiteral("-t"),
                     QStringLiteral("Pellix label")};
    for (const QString& o : options) args << QStringLiteral("-o") << o;
    args << QStringLiteral("--");
    QProcess lp;
    lp.start(QStringLiteral("lp"), args);
    if (!lp.waitForStarted(10000))
        return documentFailed(QStringLiteral(
            "印刷ジョブを送るコマンド lp を起動できません。CUPSのクライアントが必要です。"));
    lp.write(bytes);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(60000) || lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        return documentFailed(
            QStringLiteral("プリンタ %1 に印刷データを送れませんでした。%2")
                .arg(queue, QString::fromLocal8Bit(lp.readAllStandardError()).trimmed()));
    return Result::success();
}

}  // namespace

QString pdfOutputDir() {
    const QString env = qEnvironmentVariable(kPdfDirVariable);
    if (!env.isEmpty()) return env;
    return QDir::homePath() + QStringLiteral("/Pellix/labels");
}

QPageSize pageForCode(int code, const QSizeF& userDefinedMm) {
    if (code == kUserDefinedPaper) {
        if (userDefinedMm.width() <= 0 || userDefinedMm.height() <= 0) return {};
        return QPageSize(userDefinedMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    const QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom) return {};
    return QPageSize(id);
}

namespace {

QStringList installedPrinterNames() {
    return QPrinterInfo::availablePrinterNames() + QStringList{kPdfPrinterName};
}

QList<int> paperCodesOf(const QString& printer) {
    QList<int> codes;
    if (printer == kPdfPrinterName) {
        for (int code = 1; code <= kHighestPaperCode; ++code)
            if (code == kUserDefinedPaper || QPageSize::id(code) != QPageSize::Custom)
                codes << code;
        return codes;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer);
    for (const QPageSize& size : info.supportedPageSizes())
        if (size.windowsId() > 0 && size.windowsId() <= kHighestPaperCode)
            codes << size.windowsId();
    if (info.supportsCustomPageSizes()) codes << kUserDefinedPaper;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

QList<int> duplexCodesOf(const QString& printer) {
    QList<int> codes{1};
    if (printer == kPdfPrinterName) return codes;
    const auto modes = QPrinterInfo::printerInfo(printer).supportedDuplexModes();
    if (modes.contains(QPrinter::DuplexLongSide)) codes << 2;
    if (modes.contains(QPrinter::DuplexShortSide)) codes << 3;
    return codes;
}

QString driverOf(const QString& printer) {
    if (printer == kPdfPrinterName) return QStringLiteral("Pellix");
    const QString model = QPrinterInfo::printerInfo(printer).makeAndModel();
    return model.isEmpty() ? QStringLiteral("CUPS") : model;
}

QString portOf(const QString& printer) {
    if (printer == kPdfPrinterName) return pdfOutputDir();
    return QStringLiteral("cups:%1").arg(printer);
}

}  // namespace

struct QtPrinterSystem::State {
    QStringList cups;     // CUPS queue names, in CUPS's order
    int bound = -1;       // index into installedPrinters()
    QList<int> accepted;  // paper codes of the bound printer, asked once per binding
    // Settings of the application printer.
    int paperCode = 9;
    QSizeF userDefinedMm;  // portrait width and height for code 256
    int orientation = 1;
    int paperBin = 7;
    int quality = 0;
    int color = 2;
    int duplex = 1;
    int zoom = 100;
    // The next number of the run's labels, known once the first is stored; only the label
    // writer's store reads and sets it, and flush() forgets it when a run ends.
    NextNumber nextNumber;
    // Writes the documents of the built-in printer; made with the first of them.
    std::unique_ptr<PdfLabelWriter> pdfWriter;

    PdfLabelWriter& labelWriter() {
        if (!pdfWriter)
            pdfWriter = std::make_unique<PdfLabelWriter>(
                std::clamp(QThread::idealThreadCount(), 1, 4),
                [this](const QString& dir, const QByteArray& bytes) {
                    return storeNumbered(dir, bytes, nextNumber);
                });
        return *pdfWriter;
    }

    bool isPdf() const { return bound == int(cups.size()); }
    QString name() const { return isPdf() ? kPdfPrinterName : cups.value(bound); }
    QPageSize page() const { return pageForCode(paperCode, userDefinedMm); }
    // The page the printer would have once the code were set: setting 256 keeps the size of the
    // page it has.
    QPageSize pageOnceSet(int code) const {
        if (code == kUserDefinedPaper && paperCode != kUserDefinedPaper)
            return pageForCode(code, page().size(QPageSize::Millimeter));
        return pageForCode(code, userDefinedMm);
    }
    QPageLayout layout() const {
        return QPageLayout(page(), qtOrientation(orientation), QMarginsF(0, 0, 0, 0));
    }

    // Job options for the bound CUPS queue. Orientation needs none: the pages are already
    // turned.
    QStringList cupsOptions() const {
        QStringList o;
        const QPageSize p = page();
        if (paperCode == kUserDefinedPaper) {
            const QSizeF mm = p.size(QPageSize::Millimeter);
            o << QStringLiteral("media=Custom.%1x%2mm").arg(mm.width()).arg(mm.height());
        } else {
            o << QStringLiteral("media=%1").arg(p.key());
        }
        o << (duplex == 2   ? QStringLiteral("sides=two-sided-long-edge")
              : duplex == 3 ? QStringLiteral("sides=two-sided-short-edge")
                            : QStringLiteral("sides=one-sided"));
        o << (color == 1 ? QStringLiteral("print-color-mode=monochrome")
                         : QStringLiteral("print-color-mode=color"));
        return o;
    }

    // A printer object for the bound CUPS queue with the current settings.
    std::unique_ptr<QPrinter> cupsPrinter(QPrinter::PrinterMode mode) const {
        auto p = std::make_unique<QPrinter>(mode);
        p->setPrinterName(name());
        p->setPageSize(page());
        p->setPageOrientation(qtOrientation(orientation));
        p->setPaperSource(qtPaperSource(paperBin));
        p->setColorMode(color == 1 ? QPrinter::GrayScale : QPrinter::Color);
        p->setDuplex(qtDuplex(duplex));
        if (quality > 0) p->setResolution(quality);
        return p;
    }
};

QtPrinterSystem::QtPrinterSystem() : s_(std::make_unique<State>()) {
    s_->cups = QPrinterInfo::availablePrinterNames();
    const qsizetype def = s_->cups.indexOf(QPrinterInfo::defaultPrinterName());
    // An index of the list just made, which binding cannot refuse.
    (void)bind(def >= 0 && !QPrinterInfo::defaultPrinterName().isEmpty() ? int(def)
                                                                         : int(s_->cups.size()));
}

QtPrinterSystem::~QtPrinterSystem() = default;

QStringList QtPrinterSystem::installedPrinters() const {
    return s_->cups + QStringList{kPdfPrinterName};
}

QList<int> QtPrinterSystem::acceptedPaperCodes(int index) const {
    if (index < 0 || index > int(s_->cups.size())) return {};
    return paperCodesOf(index == int(s_->cups.size()) ? kPdfPrinterName : s_->cups[index]);
}

bool QtPrinterSystem::bind(int index) {
    if (index < 0 || index > int(s_->cups.size())) return false;
    State& s = *s_;
    // The printer already bound keeps what was chosen for it: a saved choice is applied again
    // before every label.
    if (index == s.bound) return true;
    s.bound = index;
    s.accepted = acceptedPaperCodes(index);
    s.userDefinedMm = {};
    s.orientation = 1;
    s.paperBin = 7;
    s.zoom = 100;
    if (s.isPdf()) {
        s.paperCode = 9;
        s.quality = int(kPdfDefaultDpi);
        s.color = 2;
        s.duplex = 1;
        return true;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(s.cups[index]);
    const QPageSize def = info.defaultPageSize();
    s.paperCode = def.windowsId() > 0 ? def.windowsId() : 9;
    if (def.isValid() && def.windowsId() <= 0) {
        s.paperCode = kUserDefinedPaper;
        s.userDefinedMm = def.size(QPageSize::Millimeter);
    }
    s.quality = -4;
    s.color = info.defaultColorMode() == QPrinter::GrayScale ? 1 : 2;
    s.duplex = duplexCode(info.defaultDuplexMode());
    return true;
}

std::optional<QString> QtPrinterSystem::deviceName() const {
    return s_->name();
}

std::optional<QString> QtPrinterSystem::driverName() const {
    return driverOf(s_->name());
}

std::optional<QString> QtPrinterSystem::port() const {
    return portOf(s_->name());
}

std::optional<int> QtPrinterSystem::get(PrinterProperty property) const {
    const State& s = *s_;
    switch (property) {
        case PrinterProperty::PaperSize:
            return s.paperCode;
        case PrinterProperty::Orientation:
            return s.orientation;
        case PrinterProperty::PaperBin:
            return s.paperBin;
        case PrinterProperty::PrintQuality:
            return s.quality;
        case PrinterProperty::ColorMode:
            return s.color;
        case PrinterProperty::Duplex:
            return s.duplex;
        case PrinterProperty::Zoom:
            return s.zoom;
    }
    return std::nullopt;
}

bool QtPrinterSystem::set(PrinterProperty property, int value) {
    State& s = *s_;
    switch (property) {
        case PrinterProperty::PaperSize: {
            if (!s.accepted.contains(value)) return false;
            if (value == kUserDefinedPaper && s.paperCode != kUserDefinedPaper)
                s.userDefinedMm = s.page().size(QPageSize::Millimeter);
            s.paperCode = value;
            return true;
        }
        case PrinterProperty::Orientation:
            if (value != 1 && value != 2) return false;
            s.orientation = value;
            return true;
        case PrinterProperty::PaperBin:
            if (!isPaperSource(value)) return false;
            s.paperBin = value;
            return true;
        case PrinterProperty::PrintQuality:
            if (s.isPdf() ? !(value >= 72 && value <= 2400) && !(value >= -4 && value <= -1)
                          : !(value >= 1 && value <= 9600) && !(value >= -4 && value <= -1))
                return false;
            // The PDF printer keeps its own resolution for the named qualities.
            s.quality = (s.isPdf() && value < 0) ? int(kPdfDefaultDpi) : value;
            return true;
        case PrinterProperty::ColorMode:
            if (value != 1 && value != 2) return false;
            s.color = value;
            return true;
        case PrinterProperty::Duplex: {
            if (value < 1 || value > 3) return false;
            if (value != 1) {
                if (s.isPdf()) return false;
                const auto modes = QPrinterInfo::printerInfo(s.name()).supportedDuplexModes();
                if (!modes.contains(qtDuplex(value))) return false;
            }
            s.duplex = value;
            return true;
        }
        case PrinterProperty::Zoom:
            // Labels are drawn at their own size; no other scaling is offered.
            if (value != 100) return false;
            s.zoom = value;
            return true;
    }
    return false;
}

QList<Paper> QtPrinterSystem::papers() const {
    // The codes were asked of the print system once, when the printer was bound; the sizes are
    // Qt's own pages for the codes, the same that width() and height() answer.
    QList<Paper> out;
    out.reserve(s_->accepted.size());
    for (int code : s_->accepted) {
        Paper paper{code, std::nullopt};
        const QPageSize page = s_->pageOnceSet(code);
        if (page.isValid()) paper.twips = page.size(QPageSize::Millimeter) * kTwipsPerMm;
        out << paper;
    }
    return out;
}

std::optional<double> QtPrinterSystem::width() const {
    const QPageSize page = s_->page();
    if (!page.isValid()) return std::nullopt;
    return page.size(QPageSize::Millimeter).width() * kTwipsPerMm;
}

std::optional<double> QtPrinterSystem::height() const {
    const QPageSize page = s_->page();
    if (!page.isValid()) return std::nullopt;
    return page.size(QPageSize::Millimeter).height() * kTwipsPerMm;
}

bool QtPrinterSystem::setWidth(double twips) {
    return setPaperSide(twips, Qt::Horizontal);
}

bool QtPrinterSystem::setHeight(double twips) {
    return setPaperSide(twips, Qt::Vertical);
}

// Width (horizontal) or height (vertical) of a user-defined paper; the other side stays.
bool QtPrinterSystem::setPaperSide(double twips, Qt::Orientation side) {
    const double mm = twips / kTwipsPerMm;
    if (!paperLengthFits(mm)) return false;
    if (!s_->accepted.contains(kUserDefinedPaper)) return false;
    QSizeF size = s_->page().size(QPageSize::Millimeter);
    if (side == Qt::Horizontal)
        size.setWidth(mm);
    else
        size.setHeight(mm);
    s_->userDefinedMm = size;
    s_->paperCode = kUserDefinedPaper;
    return true;
}

QSizeF QtPrinterSystem::printableAreaMm() const {
    if (s_->isPdf()) return s_->layout().paintRect(QPageLayout::Millimeter).size();
    const auto printer = s_->cupsPrinter(QPrinter::ScreenResolution);
    return printer->pageLayout().paintRect(QPageLayout::Millimeter).size();
}

double QtPrinterSystem::dotsPerInch() const {
    // Documents are drawn as PDF; the PDF printer's quality sets that drawing's resolution.
    if (s_->isPdf() && s_->quality > 0) return s_->quality;
    return kPdfDefaultDpi;
}

Result QtPrinterSystem::flush() {
    if (!s_->pdfWriter) return Result::success();
    Result answer = s_->pdfWriter->flush();
    // Every document is written: the next run reads the folder afresh.
    s_->nextNumber = {};
    return answer;
}

Result QtPrinterSystem::openDocument(std::unique_ptr<PrintDocument>& document) {
    document.reset();
    if (s_->isPdf()) {
        auto recorded = std::make_unique<RecordedPdfDocument>(s_->layout(), int(dotsPerInch()),
                                                              pdfOutputDir(), s_->labelWriter());
        if (!recorded->started()) return documentFailed(QStringLiteral("印刷を開始できません。"));
        document = std::move(recorded);
        return Result::success();
    }
    // The page with the queue's own margins, so that the origin is the printable area's.
    const QPageLayout layout = s_->cupsPrinter(QPrinter::ScreenResolution)->pageLayout();
    auto doc = std::make_unique<PdfDocument>(
        layout, dotsPerInch(),
        [queue = s_->name(), options = s_->cupsOptions()](const QByteArray& b) {
            return submitToCups(queue, options, b);
        });
    if (!doc->started()) return documentFailed(QStringLiteral("印刷を開始できません。"));
    document = std::move(doc);
    return Result::success();
}

PrintSetupWindow::PrintSetupWindow(QWidget* owner)
    : QDialog(owner),
      printers(new QComboBox(this)),
      paper(new QComboBox(this)),
      paperWidth(new QDoubleSpinBox(this)),
      paperHeight(new QDoubleSpinBox(this)),
      orientation(new QComboBox(this)),
      duplex(new QComboBox(this)),
      color(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("プリンタの設定"));
    printers->setObjectName(QStringLiteral("printers"));
    paper->setObjectName(QStringLiteral("paper"));
    paperWidth->setObjectName(QStringLiteral("paperWidth"));
    paperHeight->setObjectName(QStringLiteral("paperHeight"));
    orientation->setObjectName(QStringLiteral("orientation"));
    duplex->setObjectName(QStringLiteral("duplex"));
    color->setObjectName(QStringLiteral("color"));

    printers->addItems(installedPrinterNames());
    // The lengths the device-mode record carries: tenths of a millimetre in 16 bits.
    for (QDoubleSpinBox* box : {paperWidth, paperHeight}) {
        box->setDecimals(1);
        box->setRange(0.1, 3276.7);
        box->setSuffix(QStringLiteral(" mm"));
    }
    orientation->addItem(QStringLiteral("縦"), 1);
    orientation->addItem(QStringLiteral("横"), 2);
    color->addItem(QStringLiteral("カラー"), 2);
    color->addItem(QStringLiteral("モノクロ"), 1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ名(&N):"), printers);
    form->addRow(QStringLiteral("用紙サイズ(&Z):"), paper);
    form->addRow(QStringLiteral("幅(&W):"), paperWidth);
    form->addRow(QStringLiteral("高さ(&H):"), paperHeight);
    form->addRow(QStringLiteral("印刷の向き(&O):"), orientation);
    form->addRow(QStringLiteral("両面印刷(&D):"), duplex);
    form->addRow(QStringLiteral("カラー(&C):"), color);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(printers, &QComboBox::currentIndexChanged, this, &PrintSetupWindow::fillForPrinter);
    connect(paper, &QComboBox::currentIndexChanged, this, &PrintSetupWindow::paperChanged);
    fillForPrinter();
}

namespace {

// Selects the item that carries the code; false when the list has none.
bool selectCode(QComboBox* box, int code) {
    const int i = box->findData(code);
    if (i >= 0) box->setCurrentIndex(i);
    return i >= 0;
}

}  // namespace

void PrintSetupWindow::fillForPrinter() {
    const QString printer = printers->currentText();
    // What was chosen stays chosen where the printer offers it.
    const QVariant paperBefore = paper->currentData();
    const QVariant duplexBefore = duplex->currentData();

    paper->blockSignals(true);
    paper->clear();
    for (int code : paperCodesOf(printer)) {
        if (code == kUserDefinedPaper) {
            paper->addItem(QStringLiteral("ユーザー定義サイズ"), code);
            continue;
        }
        const QPageSize page = pageForCode(code);
        const QSizeF mm = page.size(QPageSize::Millimeter);
        paper->addItem(QStringLiteral("%1 (%2 x %3 mm)")
                           .arg(page.name())
                           .arg(mm.width(), 0, 'f', 1)
                           .arg(mm.height(), 0, 'f', 1),
                       code);
    }
    if (!paperBefore.isValid() || !selectCode(paper, paperBefore.toInt())) selectCode(paper, 9);
    paper->blockSignals(false);
    paperChanged();

    duplex->clear();
    const QString names[] = {QStringLiteral("片面"), QStringLiteral("両面（長辺綴じ）"),
                             QStringLiteral("両面（短辺綴じ）")};
    for (int code : duplexCodesOf(printer)) duplex->addItem(names[code - 1], code);
    if (duplexBefore.isValid()) selectCode(duplex, duplexBefore.toInt());
}

void PrintSetupWindow::paperChanged() {
    const bool userDefined = paper->currentData().toInt() == kUserDefinedPaper;
    paperWidth->setEnabled(userDefined);
    paperHeight->setEnabled(userDefined);
}

void PrintSetupWindow::load(const PRINTDLG& dialog) {
    const QString device = dialog.hDevNames  ? dialog.hDevNames->device()
                           : dialog.hDevMode ? dialog.hDevMode->dmDeviceName
                                             : QString();
    int index = printers->findText(device, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) index = printers->findText(device, Qt::MatchFixedString);
    if (index >= 0) printers->setCurrentIndex(index);
    if (!dialog.hDevMode) return;
    const DEVMODE& dm = *dialog.hDevMode;
    if (dm.dmFields & DM_PAPERSIZE) {
        if (dm.dmPaperSize == kUserDefinedPaper) {
            if (dm.dmPaperWidth > 0) paperWidth->setValue(dm.dmPaperWidth / 10.0);
            if (dm.dmPaperLength > 0) paperHeight->setValue(dm.dmPaperLength / 10.0);
        }
        selectCode(paper, dm.dmPaperSize);
    }
    if (dm.dmFields & DM_ORIENTATION) selectCode(orientation, dm.dmOrientation);
    if (dm.dmFields & DM_DUPLEX) selectCode(duplex, dm.dmDuplex);
    if (dm.dmFields & DM_COLOR) selectCode(color, dm.dmColor);
}

void PrintSetupWindow::store(PRINTDLG& dialog) const {
    // Paper source, quality and zoom are not offered here: they keep what was sent.
    DEVMODE dm = dialog.hDevMode.value_or(DEVMODE{});
    const QString chosen = printers->currentText();
    dm.dmDeviceName = chosen.left(CCHDEVICENAME);
    dm.dmFields |= DM_PAPERSIZE | DM_ORIENTATION | DM_DUPLEX | DM_COLOR;
    dm.dmPaperSize = std::int16_t(paper->currentData().toInt());
    if (dm.dmPaperSize == kUserDefinedPaper) {
        dm.dmPaperWidth = std::int16_t(std::lround(paperWidth->value() * 10));
        dm.dmPaperLength = std::int16_t(std::lround(paperHeight->value() * 10));
        dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    } else {
        dm.dmPaperWidth = 0;
        dm.dmPaperLength = 0;
        dm.dmFields &= ~(DM_PAPERWIDTH | DM_PAPERLENGTH);
    }
    dm.dmOrientation = std::int16_t(orientation->currentData().toInt());
    dm.dmDuplex = std::int16_t(duplex->currentData().toInt());
    dm.dmColor = std::int16_t(color->currentData().toInt());
    dialog.hDevMode = dm;
    if (!dialog.hDevNames || dialog.hDevNames->device() != chosen)
        dialog.hDevNames = DEVNAMES::make(driverOf(chosen), chosen, portOf(chosen));
}

bool QtPrintSetupDialog::run(PRINTDLG& dialog) {
    PrintSetupWindow window(dialog.hwndOwner);
    window.load(dialog);
    if (exec(window) != QDialog::Accepted) return false;
    window.store(dialog);
    return true;
}

DEVNAMES DEVNAMES::make(const QString& driver, const QString& device, const QString& port) {
    DEVNAMES names;
    QByteArray area;
    std::uint16_t offsets[3] = {0, 0, 0};
    const QString parts[3] = {driver, device, port};
    for (int i = 0; i < 3; ++i) {
        offsets[i] = std::uint16_t(kHeaderSize + std::min<qsizetype>(area.size(), kAreaSize));
        area += parts[i].toUtf8();
        area += '\0';
    }
    if (area.size() > kAreaSize) {
        qsizetype cut = kAreaSize;
        // Never leave half a character at the cut.
        while (cut > 0 && (uchar(area[cut]) & 0xC0) == 0x80) --cut;
        area.truncate(cut);
    }
    area.append(QByteArray(kAreaSize - area.size(), '\0'));
    names.area = area;
    names.wDriverOffset = offsets[0];
    names.wDeviceOffset = offsets[1];
    names.wOutputOffset = offsets[2];
    names.wDefault = 0;
    return names;
}

QString DEVNAMES::nameAt(std::uint16_t offset) const {
    const qsizetype start = qsizetype(offset) - kHeaderSize;
    if (start < 0 || start >= area.size()) return {};
    qsizetype end = area.indexOf('\0', start);
    if (end < 0) end = area.size();
    return QString::fromUtf8(area.mid(start, end - start));
}

}  // namespace pellix::platform
