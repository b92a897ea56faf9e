#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include "FuzzWorkbook.h"

#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"

#include <QByteArray>

namespace pellix::fuzz {

void readWorkbook(const std::uint8_t* data, std::size_t size) {
    using namespace datasource;
    auto wb = std::make_shared<Workbook>();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
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

void readWorkbookStream(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (gsf_init(), true);
    (void)ready;
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memory);
    GsfOutput* stream = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(stream, size, data);
    gsf_output_close(stream);
    g_object_unref(stream);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const gsf_off_t n = gsf_output_size(memory);
    const std::uint8_t* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    readWorkbook(bytes, std::size_t(n));
    g_object_unref(memory);
}

}  // namespace pellix::fuzz
