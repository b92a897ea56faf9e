#include "support/PrinterDoubles.h"

#include "platform/qt/QtPrinters.h"

#include <QPainter>
#include <QTest>
#include <algorithm>

namespace pellix::test {

using platform::PrinterProperty;

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;

class ImageDocument final : public platform::PrintDocument {
  public:
    ImageDocument(ScriptedPrinters& owner, QSize pixels) : owner_(owner), size_(pixels) {
        startPage();
    }
    ~ImageDocument() override {
        if (painter_.isActive()) painter_.end();
    }
    QPainter& painter() override { return painter_; }
    double dotsPerInch() const override { return 100; }
    bool newPage() override {
        painter_.end();
        pages_ << current_;
        startPage();
        return true;
    }
    Result finish() override {
        painter_.end();
        pages_ << current_;
        owner_.pageSizes << current_.size();
        owner_.printed << (owner_.keepPages ? pages_ : QList<QImage>{});
        if (owner_.whenFinished) owner_.whenFinished();
        return Result::success();
    }
    void discard() override {
        painter_.end();
        ++owner_.discarded;
    }

  private:
    void startPage() {
        current_ = QImage(size_, QImage::Format_RGB32);
        current_.setDotsPerMeterX(int(100 / 0.0254));
        current_.setDotsPerMeterY(int(100 / 0.0254));
        current_.fill(Qt::white);
        painter_.begin(&current_);
    }
    ScriptedPrinters& owner_;
    QSize size_;
    QImage current_;
    QList<QImage> pages_;
    QPainter painter_;
};

}  // namespace

ScriptedPrinters::ScriptedPrinters(QList<FakePrinter> installed) : printers(std::move(installed)) {
    if (!printers.isEmpty()) (void)bind(0);  // the first of the list: never refused
}

QStringList ScriptedPrinters::installedPrinters() const {
    QStringList names;
    for (const FakePrinter& p : printers) names << p.name;
    return names;
}

QList<int> ScriptedPrinters::acceptedPaperCodes(int index) const {
    return index >= 0 && index < printers.size() ? printers[index].paperCodes : QList<int>{};
}

bool ScriptedPrinters::bind(int index) {
    if (index < 0 || index >= printers.size()) return false;
    // As on the real printers: binding the bound printer again keeps its settings.
    if (index == bound) return true;
    bound = index;
    settings = printers[index].defaults;
    userDefinedMm = {};
    return true;
}

std::optional<QString> ScriptedPrinters::deviceName() const {
    if (bound < 0) return std::nullopt;
    return printers[bound].name;
}

std::optional<QString> ScriptedPrinters::driverName() const {
    if (bound < 0) return std::nullopt;
    return printers[bound].driver;
}

std::optional<QString> ScriptedPrinters::port() const {
    if (bound < 0) return std::nullopt;
    return printers[bound].port;
}

std::optional<int> ScriptedPrinters::get(PrinterProperty property) const {
    if (bound < 0 || printers[bound].unreadable.contains(property) || !settings.contains(property))
        return std::nullopt;
    return settings.value(property);
}

bool ScriptedPrinters::set(PrinterProperty property, int value) {
    if (bound < 0) return false;
    const FakePrinter& p = printers[bound];
    if (property == PrinterProperty::PaperSize) {
        if (!p.paperCodes.contains(value)) return false;
        if (value == platform::kUserDefinedPaper && settings.value(property) != value)
            userDefinedMm =
                pageTwips(settings.value(property), userDefinedMm).value_or(QSizeF()) / kTwipsPerMm;
    } else if (p.accepted.contains(property) ? !p.accepted[property].contains(value) : value == 0) {
        return false;
    }
    settings[property] = value;
    return true;
}

std::optional<QSizeF> ScriptedPrinters::pageTwips(int code, const QSizeF& userMm) const {
    if (code != platform::kUserDefinedPaper && printers[bound].pageTwips.contains(code))
        return printers[bound].pageTwips.value(code);
    const QPageSize page = platform::pageForCode(code, userMm);
    if (!page.isValid()) return std::nullopt;
    return page.size(QPageSize::Millimeter) * kTwipsPerMm;
}

QList<platform::Paper> ScriptedPrinters::papers() const {
    if (whileListingPapers) whileListingPapers();
    if (bound < 0) return {};
    QList<int> codes = printers[bound].paperCodes;
    std::sort(codes.begin(), codes.end());
    const int current = settings.value(PrinterProperty::PaperSize);
    QList<platform::Paper> out;
    for (int code : codes) {
        // Setting 256 keeps the size of the page the printer has.
        QSizeF userMm = userDefinedMm;
        if (code == platform::kUserDefinedPaper && current != code)
            userMm = pageTwips(current, userDefinedMm).value_or(QSizeF()) / kTwipsPerMm;
        out << platform::Paper{code, pageTwips(code, userMm)};
    }
    return out;
}

std::optional<double> ScriptedPrinters::width() const {
    if (bound < 0) return std::nullopt;
    const auto page = pageTwips(settings.value(PrinterProperty::PaperSize), userDefinedMm);
    if (!page) return std::nullopt;
    return page->width();
}

std::optional<double> ScriptedPrinters::height() const {
    if (bound < 0) return std::nullopt;
    const auto page = pageTwips(settings.value(PrinterProperty::PaperSize), userDefinedMm);
    if (!page) return std::nullopt;
    return page->height();
}

bool ScriptedPrinters::setWidth(double twips) {
    if (bound < 0 || !printers[bound].paperCodes.contains(platform::kUserDefinedPaper) ||
        !platform::paperLengthFits(twips / kTwipsPerMm))
        return false;
    userDefinedMm = QSizeF(twips / kTwipsPerMm, height().value_or(0) / kTwipsPerMm);
    settings[PrinterProperty::PaperSize] = platform::kUserDefinedPaper;
    return true;
}

bool ScriptedPrinters::setHeight(double twips) {
    if (bound < 0 || !printers[bound].paperCodes.contains(platform::kUserDefinedPaper) ||
        !platform::paperLengthFits(twips / kTwipsPerMm))
        return false;
    userDefinedMm = QSizeF(width().value_or(0) / kTwipsPerMm, twips / kTwipsPerMm);
    settings[PrinterProperty::PaperSize] = platform::kUserDefinedPaper;
    return true;
}

QSizeF ScriptedPrinters::printableAreaMm() const {
    const QSizeF page(width().value_or(0) / kTwipsPerMm, height().value_or(0) / kTwipsPerMm);
    return settings.value(PrinterProperty::Orientation) == 2 ? page.transposed() : page;
}

Result ScriptedPrinters::openDocument(std::unique_ptr<platform::PrintDocument>& document) {
    document.reset();
    if (refuseDocuments || bound < 0)
        return Result::failure(ErrorKind::DocumentFailed,
                               QStringLiteral("プリンタが応答しません。"));
    ++opened;
    const QSizeF mm = printableAreaMm();
    document = std::make_unique<ImageDocument>(
        *this, QSize(qRound(mm.width() / 25.4 * 100), qRound(mm.height() / 25.4 * 100)));
    return Result::success();
}

ScriptedPrintSetupDialog::~ScriptedPrintSetupDialog() {
    if (!answers_.isEmpty())
        QTest::qFail("the print set-up dialog was not opened as often as scripted", __FILE__,
                     __LINE__);
}

bool ScriptedPrintSetupDialog::run(platform::PRINTDLG& dialog) {
    shown << dialog;
    if (answers_.isEmpty()) {
        QTest::qFail("the print set-up dialog opened without a scripted answer", __FILE__,
                     __LINE__);
        return false;
    }
    return answers_.takeFirst()(dialog);
}

ScriptedPrintSetupDialog::Answer ScriptedPrintSetupDialog::confirm() {
    return [](platform::PRINTDLG&) { return true; };
}

ScriptedPrintSetupDialog::Answer ScriptedPrintSetupDialog::cancel() {
    return [](platform::PRINTDLG&) { return false; };
}

ScriptedPrintSetupDialog::Answer ScriptedPrintSetupDialog::choose(const QString& deviceName) {
    return [deviceName](platform::PRINTDLG& d) {
        const platform::DEVNAMES old = d.hDevNames.value_or(platform::DEVNAMES{});
        d.hDevNames = platform::DEVNAMES::make(old.driver(), deviceName, old.output());
        if (d.hDevMode) d.hDevMode->dmDeviceName = deviceName.left(platform::CCHDEVICENAME);
        return true;
    };
}

}  // namespace pellix::test
