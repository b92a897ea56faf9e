#include "printer/PrinterList.h"

#include "platform/PrinterSystem.h"

#include <QStringList>
#include <cmath>

namespace pellix::printer {

namespace {

// The paper list's own conversion: 56.7 twips to the millimetre, so that the stated sizes of
// the usual papers read as whole millimetres (A4, 11906 x 16838 twips, reads 210 x 297).
constexpr double kListTwipsPerMm = 56.7;

qint64 roundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5) return qint64(below) + 1;
    if (fraction < 0.5) return qint64(below);
    return std::fmod(below, 2.0) == 0.0 ? qint64(below) : qint64(below) + 1;
}

}  // namespace

QString describePrinters(platform::PrinterSystem& printers) {
    const QStringList names = printers.installedPrinters();
    const QString current = printers.deviceName().value_or(QString());
    QString out;
    for (int i = 0; i < names.size(); ++i) {
        QStringList codes;
        for (int code : printers.acceptedPaperCodes(i)) codes << QString::number(code);
        out += QStringLiteral("%1 %2\t%3\n")
                   .arg(names[i] == current ? QStringLiteral("*") : QStringLiteral(" "), names[i],
                        codes.join(QLatin1Char(',')));
    }
    return out;
}

QString paperLineText(int code, const QSizeF& twips) {
    return QStringLiteral("%1\t%2 x %3")
        .arg(code)
        .arg(roundHalfEven(twips.width() / kListTwipsPerMm))
        .arg(roundHalfEven(twips.height() / kListTwipsPerMm));
}

QList<PaperLine> paperLines(const platform::PrinterSystem& printers) {
    // The printer answers every code with one list; no code is set on it to learn its size.
    QList<PaperLine> lines;
    for (const platform::Paper& paper : printers.papers()) {
        if (paper.code < kFirstListedPaper || paper.code > kLastListedPaper || !paper.twips)
            continue;
        lines << PaperLine{paper.code, paperLineText(paper.code, *paper.twips)};
    }
    return lines;
}

}  // namespace pellix::printer
