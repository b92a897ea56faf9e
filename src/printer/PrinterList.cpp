#include "printer/PrinterList.h"

#include "platform/PrinterSystem.h"

#include <QStringList>

namespace pellix::printer {

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

}  // namespace pellix::printer
