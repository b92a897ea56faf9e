#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include "FuzzWorkbook.h"

#include "datasource/RecordSource.h"
#include "datasource/Workbook.h"

#include <QByteArray>
#include <cstring>

namespace pellix::fuzz {

void readWorkbook(const std::uint8_t* data, std::size_t size, const char* fileName) {
    using namespace datasource;
    auto wb = std::make_shared<Workbook>();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!wb->openBytes(bytes, QString::fromLatin1(fileName))) return;
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

namespace {

void addPart(GsfOutfile* zip, const char* name, const void* data, std::size_t size) {
    GsfOutput* part = gsf_outfile_new_child(zip, name, FALSE);
    gsf_output_write(part, size, static_cast<const guint8*>(data));
    gsf_output_close(part);
    g_object_unref(part);
}

void addPart(GsfOutfile* zip, const char* name, const char* text) {
    addPart(zip, name, text, std::strlen(text));
}

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
    "PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "</Types>";
const char kRootRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
    "Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
const char kWorkbook[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const char kWorkbookRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
    "Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/></Relationships>";
const char kOdsManifest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
    "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\"><manifest:file-entry "
    "manifest:full-path=\"/\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
    "<manifest:file-entry manifest:full-path=\"content.xml\" "
    "manifest:media-type=\"text/xml\"/></manifest:manifest>";
const char kOdsMime[] = "application/vnd.oasis.opendocument.spreadsheet";

}  // namespace

void readSheetPart(const std::uint8_t* data, std::size_t size, bool xlsx) {
    static const bool ready = (gsf_init(), true);
    (void)ready;
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* zip = gsf_outfile_zip_new(memory, nullptr);
    if (xlsx) {
        addPart(zip, "[Content_Types].xml", kContentTypes);
        GsfOutfile* rels = GSF_OUTFILE(gsf_outfile_new_child(zip, "_rels", TRUE));
        addPart(rels, ".rels", kRootRels);
        gsf_output_close(GSF_OUTPUT(rels));
        g_object_unref(rels);
        GsfOutfile* xl = GSF_OUTFILE(gsf_outfile_new_child(zip, "xl", TRUE));
        addPart(xl, "workbook.xml", kWorkbook);
        GsfOutfile* xlRels = GSF_OUTFILE(gsf_outfile_new_child(xl, "_rels", TRUE));
        addPart(xlRels, "workbook.xml.rels", kWorkbookRels);
        gsf_output_close(GSF_OUTPUT(xlRels));
        g_object_unref(xlRels);
        GsfOutfile* sheets = GSF_OUTFILE(gsf_outfile_new_child(xl, "worksheets", TRUE));
        addPart(sheets, "sheet1.xml", data, size);
        gsf_output_close(GSF_OUTPUT(sheets));
        g_object_unref(sheets);
        gsf_output_close(GSF_OUTPUT(xl));
        g_object_unref(xl);
    } else {
        addPart(zip, "mimetype", kOdsMime);
        addPart(zip, "content.xml", data, size);
        GsfOutfile* meta = GSF_OUTFILE(gsf_outfile_new_child(zip, "META-INF", TRUE));
        addPart(meta, "manifest.xml", kOdsManifest);
        gsf_output_close(GSF_OUTPUT(meta));
        g_object_unref(meta);
    }
    gsf_output_close(GSF_OUTPUT(zip));
    g_object_unref(zip);
    const gsf_off_t n = gsf_output_size(memory);
    const std::uint8_t* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    readWorkbook(bytes, std::size_t(n), xlsx ? "fuzz.xlsx" : "fuzz.ods");
    g_object_unref(memory);
}

}  // namespace pellix::fuzz
