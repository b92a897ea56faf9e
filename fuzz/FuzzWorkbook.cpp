#include "FuzzWorkbook.h"

#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"

#include <QByteArray>

namespace pellix::fuzz {

void readWorkbook(const std::uint8_t* data, std::size_t size) {
    using namespace datasource;
    auto wb = std::make_shared<Workbook>();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!wb->openBytes(bytes, QStringLiteral("fuzz.xls"))) return;
    const QStringList names = wb->sheetNames();
    for (const QString& name : names) {
        RecordSource source;
        QString table = name;
        table.replace(QLatin1Char(']'), QLatin1Char('_'));
        if (!source.open(wb, QStringLiteral("select * from [%1$]").arg(table))) continue;
        qint64 rows = 0;
        (void)source.count(rows);
        for (int i = 0; i < 64 && !source.atEnd(); ++i) {
            (void)source.record();
            if (!source.moveNext()) break;
        }
    }
}

}  // namespace pellix::fuzz
