#include "printing/Module1.h"

#include "platform/Regional.h"
#include "printing/QPainterSurface.h"

#include <cmath>

namespace pellix::printing::Module1 {

namespace {

// Width of the printed barcode in millimetres; full length of the progress bar.
constexpr double kBarcodeWidth = 32;
constexpr int kProgressLength = 25;
// The size a text prints at when its adjusted size would be none at all.
constexpr double kSmallestTextSize = 1;

// Rounds halves to the even neighbour.
std::int32_t roundEven(double v) {
    return std::int32_t(std::nearbyint(v));
}

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (ok && std::isfinite(v)) return v;
    return std::nullopt;
}

// Shows the progress of a label from its start and ends it on every way out.
class ProgressScope {
  public:
    explicit ProgressScope(LabelProgress* progress) : progress_(progress) {
        if (progress_) progress_->started();
    }
    ~ProgressScope() {
        if (progress_) progress_->finished();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    LabelProgress* progress_;
};

// A text size with the adjustment applied. The adjustment slider reaches -20 points, which
// leaves the label's small texts at or below 0 points; they still print, at 1 point.
double adjusted(double points) {
    return points > 0 ? points : kSmallestTextSize;
}

void row(PrinterSurface& printer, double x, double y, double size, bool bold, bool italic,
         const QString& text) {
    printer.CurrentX(x);
    printer.CurrentY(y);
    printer.FontSize(adjusted(size));
    printer.FontBold(bold);
    printer.FontItalic(italic);
    printer.Print(text);
}

}  // namespace

std::optional<QString> formatPrice(const QString& price, const QLocale& locale) {
    bool ok = false;
    double v = QLocale::c().toDouble(price.trimmed(), &ok);
    if (!ok) v = locale.toDouble(price.trimmed(), &ok);
    if (!ok) return std::nullopt;
    return locale.toCurrencyString(v);
}

QString janText(const QString& digits) {
    return digits.mid(0, 1) + QStringLiteral("  ") + digits.mid(1, 6) + QStringLiteral("  ") +
           digits.mid(7, 6);
}

Result readOrigin(const LabelJob& job, Origin& origin) {
    const QString* fields[3] = {&job.originX, &job.originY, &job.sizeAdjustment};
    double* targets[3] = {&origin.X, &origin.Y, &origin.Z};
    for (int k = 0; k < 3; ++k) {
        const auto v = number(*fields[k]);
        if (!v)
            return Result::failure(
                ErrorKind::NotANumber,
                QStringLiteral("印刷位置の調整値「%1」が数値ではありません。").arg(*fields[k]));
        *targets[k] = *v;
    }
    return Result::success();
}

Result print_setup(const LabelJob& job, PrinterSurface& printer, Measures& m) {
    m = {};
    printer.Font(job.baseFont.family(), job.baseFont.pointSizeF(), false, false);
    printer.ScaleMode(6);
    m.line_h = roundEven(printer.TextHeight(QStringLiteral("5")));
    if (m.line_h == 0)
        return Result::failure(
            ErrorKind::FontTooSmall,
            QStringLiteral("基本フォント（%1 %2ポイント）が小さすぎて行の高さを決められません。")
                .arg(job.baseFont.family())
                .arg(job.baseFont.pointSizeF()));
    m.page_lines = std::int32_t(std::floor(printer.ScaleHeight() / m.line_h));
    m.max_w = roundEven(printer.ScaleWidth() - 10);
    return Result::success();
}

void print_header(const LabelJob& job, PrinterSurface& printer, const Origin& o,
                  const Measures& m) {
    printer.FontBold(true);
    printer.FontItalic(true);
    printer.FontSize(adjusted(o.Z + 8));
    printer.DrawWidth(3);
    printer.CurrentX(o.X + 9);
    printer.CurrentY(o.Y + m.line_h / 20.0);
    printer.Print(job.title1);
    printer.Line(o.X, o.Y + m.line_h, o.X + 1.5 * m.max_w, o.Y + m.line_h);
    printer.FontBold(false);
    printer.FontItalic(false);
}

Result print_body(const LabelJob& job, RunControl& run, PrinterSurface& printer, const Origin& o,
                  const Measures& m) {
    QString s = job.value;
    const qsizetype n = s.size();
    // An empty price cell prints no price.
    const auto price = job.price.trimmed().isEmpty()
                           ? std::optional<QString>(QString())
                           : formatPrice(job.price, platform::regionalLocale());
    if (!price)
        return Result::failure(ErrorKind::NotANumber,
                               QStringLiteral("価格「%1」が数値ではありません。").arg(job.price));
    const QString jan = janText(job.janSource);

    printer.CurrentY(o.Y + m.line_h);
    while (!s.isEmpty()) {
        // The one place where printing yields: a press of the cancel button lands here.
        if (run.service) run.service();
        if (run.print_cancel) {
            printer.KillDoc();
            break;
        }
        if (printer.CurrentY() > double(m.page_lines - 4) * m.line_h) {
            printer.NewPage();
            printer.CurrentY(o.Y + 4 * m.line_h);
        }

        const qsizetype lineBreak = s.indexOf(QStringLiteral("\r\n"));
        qsizetype i = 1;
        for (; i <= s.size(); ++i) {
            if (lineBreak == i - 1) {
                printer.CurrentX(o.X + 10);
                printer.FontSize(adjusted(o.Z + 8));
                printer.Print(s.left(i - 1));
                s.remove(0, i + 1);
                break;
            }
            if (printer.TextWidth(s.left(i)) + 10 > m.max_w) {
                // The text that fits is printed as a line of its own; a first character that
                // does not fit alone is still taken as a line, so the loop always ends.
                const qsizetype take = std::max<qsizetype>(i - 1, 1);
                printer.CurrentX(o.X + 5);
                printer.FontSize(adjusted(o.Z + 8));
                printer.Print(s.left(take));
                s.remove(0, take);
                break;
            }
        }

        Result ended = Result::success();
        if (s.size() < i) {
            s.clear();
            row(printer, o.X + 3, o.Y + 4, o.Z + 7, true, false, job.itemName);
            row(printer, o.X + 3, o.Y + 6.5, o.Z + 8, false, false, job.name);
            row(printer, o.X + 13, o.Y + 9.7, o.Z + 11, true, true, *price);
            row(printer, o.X + 1, o.Y + 11, o.Z + 6.5, true, true, job.title2);
            // A record that gave no barcode prints none, rather than the previous record's.
            if (job.picture) printer.PaintPicture(*job.picture, o.X + 1, o.Y + 14, kBarcodeWidth);
            row(printer, o.X + 4, o.Y + 21, o.Z + 8, true, false, jan);
            ended = printer.EndDoc();
        }

        if (run.progress)
            run.progress->advanced(
                int(std::floor(double(n - s.size()) / double(n) * kProgressLength)));
        if (!ended) return ended;
    }
    return Result::success();
}

Result print_label(const LabelJob& job, RunControl& run, PrinterSurface& printer) {
    const ProgressScope progress(run.progress);
    run.print_cancel = 0;

    Origin o;
    if (Result r = readOrigin(job, o); !r) return r;
    Measures m;
    if (Result r = print_setup(job, printer, m); !r) return r;
    print_header(job, printer, o, m);
    if (Result r = print_body(job, run, printer, o, m); !r) {
        printer.KillDoc();
        return r;
    }
    // After a label block the document has ended, and after a cancel it has been discarded;
    // this ends the document of a label without a value (the header alone), and answers a
    // failure that the surface still holds.
    return printer.EndDoc();
}

Result print_label(const LabelJob& job, RunControl& run, platform::PrinterSystem& printers) {
    QPainterSurface printer(printers);
    return print_label(job, run, printer);
}

}  // namespace pellix::printing::Module1
