#include "printing/Module1.h"

#include "platform/Regional.h"
#include "platform/Services.h"
#include "printer/windows/Form3.h"
#include "printing/QPainterSurface.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"

#include <QCoreApplication>
#include <QLineEdit>
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

// Closes the progress window on every way out of a label.
struct ProgressWindow {
    shell::WindowRegistry& windows;
    explicit ProgressWindow(shell::WindowRegistry& w) : windows(w) {
        if (frmprinting* p = windows.show<frmprinting>()) p->repaint();
    }
    ~ProgressWindow() { windows.unload<frmprinting>(); }
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

settings::Status print_setup(shell::AppContext& ctx, PrinterSurface& printer) {
    const QFont base = ctx.windows.load<F_CustInput>()->Text1->font();
    printer.Font(base.family(), base.pointSizeF(), false, false);
    printer.ScaleMode(6);
    line_h = roundEven(printer.TextHeight(QStringLiteral("5")));
    if (line_h == 0)
        return settings::Status::failure(
            QStringLiteral("基本フォント（%1 %2ポイント）が小さすぎて行の高さを決められません。")
                .arg(base.family())
                .arg(base.pointSizeF()));
    page_lines = std::int32_t(std::floor(printer.ScaleHeight() / line_h));
    max_w = roundEven(printer.ScaleWidth() - 10);
    return {};
}

void print_header(shell::AppContext& ctx, PrinterSurface& printer, const Origin& o) {
    printer.FontBold(true);
    printer.FontItalic(true);
    printer.FontSize(adjusted(o.Z + 8));
    printer.DrawWidth(3);
    printer.CurrentX(o.X + 9);
    printer.CurrentY(o.Y + line_h / 20.0);
    printer.Print(ctx.windows.load<printer::Form3>()->Text1->text());
    printer.Line(o.X, o.Y + line_h, o.X + 1.5 * max_w, o.Y + line_h);
    printer.FontBold(false);
    printer.FontItalic(false);
}

settings::Status print_body(shell::AppContext& ctx, PrinterSurface& printer, const Origin& o) {
    F_CustInput* form = ctx.windows.load<F_CustInput>();
    QString s = form->Text1->text();
    const qsizetype n = s.size();
    const QString itemName = form->Text2->text();
    const QString name = form->Text3->text();
    const auto price = formatPrice(form->Text4->text(), platform::regionalLocale());
    if (!price)
        return settings::Status::failure(
            QStringLiteral("価格「%1」が数値ではありません。").arg(form->Text4->text()));
    const QString title2 = ctx.windows.load<printer::Form3>()->Text2->text();
    const QString jan = janText(form->Text8->text());
    // Taken now: the job form may go away while the loop yields to the event loop.
    const std::optional<platform::BarcodePicture> picture = form->Picture2.picture;

    printer.CurrentY(o.Y + line_h);
    while (!s.isEmpty()) {
        // The one place where printing yields: a press of the cancel button lands here.
        QCoreApplication::processEvents();
        if (print_cancel) {
            printer.KillDoc();
            break;
        }
        if (printer.CurrentY() > double(page_lines - 4) * line_h) {
            printer.NewPage();
            printer.CurrentY(o.Y + 4 * line_h);
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
            if (printer.TextWidth(s.left(i)) + 10 > max_w) {
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

        if (s.size() < i) {
            s.clear();
            row(printer, o.X + 3, o.Y + 4, o.Z + 7, true, false, itemName);
            row(printer, o.X + 3, o.Y + 6.5, o.Z + 8, false, false, name);
            row(printer, o.X + 13, o.Y + 9.7, o.Z + 11, true, true, *price);
            row(printer, o.X + 1, o.Y + 11, o.Z + 6.5, true, true, title2);
            // A record that gave no barcode prints none, rather than the previous record's.
            if (picture) printer.PaintPicture(*picture, o.X + 1, o.Y + 14, kBarcodeWidth);
            row(printer, o.X + 4, o.Y + 21, o.Z + 8, true, false, jan);
            printer.EndDoc();
        }

        if (frmprinting* progress = ctx.windows.find<frmprinting>()) {
            const auto marks =
                qsizetype(std::floor(double(n - s.size()) / double(n) * kProgressLength));
            progress->txtprogress->setText(QString(marks, QChar(0x25A0)));
            progress->repaint();
        }
    }
    return {};
}

settings::Status print_label(shell::AppContext& ctx, PrinterSurface& printer) {
    ProgressWindow progress(ctx.windows);
    print_cancel = 0;

    F_CustInput* form = ctx.windows.load<F_CustInput>();
    Origin o;
    const QLineEdit* fields[3] = {form->Textsize1, form->Textsize2, form->Textsize3};
    double* targets[3] = {&o.X, &o.Y, &o.Z};
    for (int k = 0; k < 3; ++k) {
        const auto v = number(fields[k]->text());
        if (!v)
            return settings::Status::failure(
                QStringLiteral("印刷位置の調整値「%1」が数値ではありません。")
                    .arg(fields[k]->text()));
        *targets[k] = *v;
    }
    if (settings::Status st = print_setup(ctx, printer); !st) return st;
    print_header(ctx, printer, o);
    if (settings::Status st = print_body(ctx, printer, o); !st) {
        printer.KillDoc();
        return st;
    }
    printer.EndDoc();
    if (!printer.error().isEmpty()) {
        printer.KillDoc();
        return settings::Status::failure(printer.error());
    }
    return {};
}

settings::Status print_label(shell::AppContext& ctx) {
    QPainterSurface printer(ctx.services.printers);
    return print_label(ctx, printer);
}

}  // namespace pellix::printing::Module1
