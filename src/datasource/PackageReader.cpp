#include <libxml/parser.h>
#include <libxml/xmlerror.h>

// Office Open XML (.xlsx) and OpenDocument (.ods) spreadsheets. The ZIP container is opened
// with liborcus; its parts are read with libxml2's SAX parser into the cells of each worksheet:
// for an .xlsx the workbook, its relations, the shared strings, the styles and the worksheets,
// for an .ods the content part. Formula cells keep the result their writer stored; nothing is
// calculated. The container's directory is checked before anything is unpacked, so that a file
// that would unpack to far more than it could hold is refused instead of filling the memory.

#include "datasource/BookReaders.h"

#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <QDate>
#include <QHash>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pellix::datasource {

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
// What the parts of a container may unpack to, together: far beyond any sheet of 65,536 rows
// and 256 columns that a shop keeps, far below what would exhaust the memory.
constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t(1) << 30;
constexpr std::uint64_t kMaxRatio = 1000;  // deflate cannot do better than about 1:1032
constexpr std::size_t kMaxSheets = 4096;
// Cells with a value in the whole file. An .ods repeats a cell or a row by a count, so a small
// file could otherwise ask for every cell of every sheet.
constexpr std::size_t kMaxCells = std::size_t(1) << 23;

// Raised while reading to abandon a file: a sheet beyond 65,536 rows or 256 columns, or a
// damaged part.
struct TooLarge {};
struct TooManyCells {};
struct Damaged {};

std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// The sizes a ZIP container declares for its parts, added up; false when its directory or a
// part's header cannot be found or runs past the end of the file.
bool declaredUnpackedSize(const QByteArray& bytes, std::uint64_t& total) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t n = std::size_t(bytes.size());
    if (n < 22) return false;
    // The end record is within the last 64 KiB + 22 bytes (its comment is at most 64 KiB).
    const std::size_t lowest = n > 65557 ? n - 65557 : 0;
    std::size_t end = n - 22;
    for (;; --end) {
        if (le32(p + end) == 0x06054b50u) break;
        if (end == lowest) return false;
    }
    const std::uint32_t dirSize = le32(p + end + 12);
    const std::uint32_t dirOffset = le32(p + end + 16);
    if (dirOffset > n || dirSize > n - dirOffset) return false;
    total = 0;
    std::size_t pos = dirOffset;
    while (pos + 46 <= std::size_t(dirOffset) + dirSize) {
        if (le32(p + pos) != 0x02014b50u) return false;
        // The sizes are given twice, in the directory and before the part itself; a reader may
        // go by either, so the larger of each counts.
        const std::size_t local = le32(p + pos + 42);
        if (local > n || n - local < 30 || le32(p + local) != 0x04034b50u) return false;
        total +=
            std::max({std::uint64_t(le32(p + pos + 20)), std::uint64_t(le32(p + pos + 24)),
                      std::uint64_t(le32(p + local + 18)), std::uint64_t(le32(p + local + 22))});
        pos += 46 + std::size_t(le16(p + pos + 28)) + le16(p + pos + 30) + le16(p + pos + 32);
    }
    return true;
}

// A date and time as a serial day number of the workbook's date system. Days are counted from
// 1899-12-30 as the program that writes OpenDocument files counts them when it writes an Excel
// workbook: 1899-12-31 is day 1, which Excel shows as 1900-01-01.
double serialOf(int year, int month, int day, int hour, int minute, double second, bool mode1904) {
    const QDate date(year, month, day);
    if (!date.isValid()) return 0;
    const qint64 days =
        mode1904 ? QDate(1904, 1, 1).daysTo(date) : QDate(1899, 12, 30).daysTo(date);
    return double(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

// An ISO 8601 date with an optional time ("2024-03-15", "2024-03-15T13:30:00.5").
std::optional<double> isoSerial(const std::string& text, bool mode1904) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &sec);
    if (n < 3 || h < 0 || h > 23 || mi < 0 || mi > 59 || !(sec >= 0 && sec < 61)) return {};
    if (!QDate(y, mo, d).isValid()) return {};
    return serialOf(y, mo, d, h, mi, sec, mode1904);
}

// A duration of the form PT12H30M15.5S as days; 0 for anything else.
double durationDays(const std::string& text) {
    if (text.rfind("PT", 0) != 0) return 0;
    double total = 0, number = 0, scale = 0;
    bool any = false;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (scale > 0) {
                number += (c - '0') * scale;
                scale /= 10;
            } else {
                number = number * 10 + (c - '0');
            }
            any = true;
        } else if (c == '.') {
            scale = 0.1;
        } else {
            if (!any) return 0;
            if (c == 'H')
                total += number * 3600;
            else if (c == 'M')
                total += number * 60;
            else if (c == 'S')
                total += number;
            else
                return 0;
            number = 0;
            scale = 0;
            any = false;
        }
    }
    return total / 86400.0;
}

// The error code of an error value's text ("#DIV/0!"); #N/A for any other.
std::uint8_t errorCode(std::string_view text) {
    static const std::pair<std::string_view, std::uint8_t> codes[] = {
        {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
        {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A}};
    for (const auto& [name, code] : codes)
        if (text == name) return code;
    return 0x2A;
}

// A cell reference in A1 form ("B7", "$B$7") as a 0-based row and column.
bool cellAddress(std::string_view text, std::int64_t& row, std::int64_t& col) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    std::int64_t c = 0, r = 0;
    bool letters = false, digits = false;
    for (; i < text.size() && text[i] >= 'A' && text[i] <= 'Z'; ++i) {
        c = c * 26 + (text[i] - 'A' + 1);
        if (c > (1 << 20)) return false;
        letters = true;
    }
    if (i < text.size() && text[i] == '$') ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        r = r * 10 + (text[i] - '0');
        if (r > (1 << 24)) return false;
        digits = true;
    }
    if (!letters || !digits || i != text.size() || r == 0) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

// The sheets of the file as they are read.
struct Book {
    std::vector<QByteArray> texts;
    std::size_t sharedCount = 0;
    std::vector<bool> xfIsDate;
    bool mode1904 = false;
    QStringList names;
    std::vector<std::vector<Cell>> sheets;
    std::size_t cellCount = 0;

    // Counts n more cells against the limit of the file.
    void count(std::size_t n) {
        cellCount += n;
        if (cellCount > kMaxCells) throw TooManyCells{};
    }

    std::uint32_t addText(std::string_view s) {
        texts.push_back(QByteArray(s.data(), qsizetype(s.size())));
        return std::uint32_t(texts.size() - 1);
    }
    static Cell at(std::int64_t row, std::int64_t col) {
        if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxColumns) throw TooLarge{};
        Cell c;
        c.row = std::uint16_t(row);
        c.col = std::uint16_t(col);
        return c;
    }
};

// An element as the handlers see it: its prefix ("table", "r", or empty) and local name, and
// its attributes, whose values are copied out of the parser's buffer into reused strings.
struct Element {
    std::string_view prefix, name;
};

struct SaxBase {
    struct Attr {
        std::string_view prefix, name;
        std::string value;
    };
    std::vector<Attr> attrItems;
    std::size_t attrCount = 0;

    // The attribute of that name ("r", "r:id") of the element now starting.
    const std::string* attr(std::string_view qualified) const {
        std::string_view prefix, name = qualified;
        if (const std::size_t colon = qualified.find(':'); colon != std::string_view::npos) {
            prefix = qualified.substr(0, colon);
            name = qualified.substr(colon + 1);
        }
        for (std::size_t i = 0; i < attrCount; ++i)
            if (attrItems[i].name == name && attrItems[i].prefix == prefix)
                return &attrItems[i].value;
        return nullptr;
    }
    static bool is(const Element& e, std::string_view prefix, std::string_view name) {
        return e.name == name && e.prefix == prefix;
    }
};

std::string_view view(const xmlChar* s) {
    return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// Runs libxml2's SAX parser over the part's text with the handler's start_element,
// end_element and characters. No DTD is loaded, nothing is fetched from the network, and the
// parser's own limits on entity expansion stay on. A part that is not well-formed XML is
// damaged; an exception raised by a handler ends the parse and is raised again afterwards.
template <class Handler>
void parseXml(const std::vector<unsigned char>& xml, Handler& handler) {
    struct Context {
        Handler* handler;
        std::exception_ptr error;
    } context{&handler, nullptr};
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix,
                            const xmlChar*, int, const xmlChar**, int nbAttributes, int,
                            const xmlChar** attributes) {
        auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
        auto* c = static_cast<Context*>(parser->_private);
        if (c->error) return;
        Handler& h = *c->handler;
        h.attrCount = 0;
        for (int i = 0; i < nbAttributes; ++i) {
            const xmlChar** a = attributes + 5 * i;
            if (h.attrCount == h.attrItems.size()) h.attrItems.emplace_back();
            auto& item = h.attrItems[h.attrCount++];
            item.name = view(a[0]);
            item.prefix = view(a[1]);
            item.value.assign(reinterpret_cast<const char*>(a[3]), std::size_t(a[4] - a[3]));
        }
        try {
            h.start_element(Element{view(prefix), view(localname)});
        } catch (...) {
            c->error = std::current_exception();
            xmlStopParser(parser);
        }
    };
    sax.endElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix,
                          const xmlChar*) {
        auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
        auto* c = static_cast<Context*>(parser->_private);
        if (c->error) return;
        try {
            c->handler->end_element(Element{view(prefix), view(localname)});
        } catch (...) {
            c->error = std::current_exception();
            xmlStopParser(parser);
        }
    };
    sax.characters = [](void* ctx, const xmlChar* text, int len) {
        auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
        auto* c = static_cast<Context*>(parser->_private);
        if (c->error) return;
        c->handler->characters(
            std::string_view(reinterpret_cast<const char*>(text), std::size_t(len)));
    };
    // A damaged part is reported by the result; libxml2's messages would only clutter
    // standard error.
    sax.serror = [](void*, xmlErrorPtr) {};

    if (xml.size() > std::size_t(std::numeric_limits<int>::max())) throw Damaged{};
    xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    if (!parser) throw std::bad_alloc();
    parser->_private = &context;
    xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    // Fed in pieces: the parser refuses to look ahead over one huge piece.
    constexpr std::size_t kPiece = 1 << 18;
    int rc = 0;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(kPiece, xml.size() - at);
        const bool last = at + n == xml.size();
        rc = xmlParseChunk(parser, reinterpret_cast<const char*>(xml.data() + at), int(n),
                           last ? 1 : 0);
        at += n;
    } while (rc == 0 && !context.error && at < xml.size());
    const bool wellFormed = parser->wellFormed;
    xmlFreeParserCtxt(parser);
    if (context.error) std::rethrow_exception(context.error);
    if (rc != 0 || !wellFormed) throw Damaged{};
}

bool readPart(const orcus::zip_archive& zip, std::string_view name,
              std::vector<unsigned char>& out) {
    out.clear();
    for (std::size_t i = 0; i < zip.get_file_entry_count(); ++i)
        if (zip.get_file_entry_name(i) == name) {
            if (!zip.read_file_entry(name, out)) return false;
            // The container's reader ends the part with a NUL byte of its own.
            if (!out.empty() && out.back() == 0) out.pop_back();
            return true;
        }
    return false;
}

bool hasPart(const orcus::zip_archive& zip, std::string_view name) {
    for (std::size_t i = 0; i < zip.get_file_entry_count(); ++i)
        if (zip.get_file_entry_name(i) == name) return true;
    return false;
}

// .xlsx: the cells of one worksheet part. A cell's type attribute tells how its value reads:
// a number (with its cell format, which may show a date), an index into the shared strings,
// the text result of a formula ("str"), an inline text ("inlineStr", rich text runs joined,
// phonetic guides left out), a Boolean or an error value. A formula cell gives its stored
// result; the formula itself is not looked at.
struct XlsxCells : SaxBase {
    Book* book = nullptr;
    std::vector<Cell>* cells = nullptr;
    std::int64_t row = -1, col = -1;
    std::string type, value;
    std::size_t xf = 0;
    bool inCell = false, inValue = false, inText = false, formula = false;
    int phonetic = 0;

    void start_element(const Element& e) {
        if (e.name == "row") {
            const std::string* r = attr("r");
            row = r ? std::atoll(r->c_str()) - 1 : row + 1;
            col = -1;
        } else if (e.name == "c") {
            inCell = true;
            formula = false;
            value.clear();
            const std::string* t = attr("t");
            type = t ? *t : std::string("n");
            const std::string* st = attr("s");
            xf = st ? std::size_t(std::strtoull(st->c_str(), nullptr, 10)) : 0;
            if (const std::string* r = attr("r")) {
                if (!cellAddress(*r, row, col)) throw Damaged{};
            } else {
                ++col;
            }
        } else if (inCell && e.name == "v") {
            inValue = true;
        } else if (inCell && e.name == "f") {
            formula = true;
        } else if (inCell && e.name == "rPh") {
            ++phonetic;
        } else if (inCell && e.name == "t") {
            inText = phonetic == 0;
        }
    }
    void end_element(const Element& e) {
        if (e.name == "v") {
            inValue = false;
        } else if (e.name == "t") {
            inText = false;
        } else if (e.name == "rPh") {
            --phonetic;
        } else if (e.name == "c" && inCell) {
            inCell = false;
            addCell();
        }
    }
    void characters(std::string_view v) {
        if (inValue || (inText && type == "inlineStr")) value.append(v);
    }

    void addCell() {
        Cell c = Book::at(row, col);
        c.formula = formula;
        if (type == "s") {
            char* end = nullptr;
            const unsigned long long index = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || *end || index >= book->sharedCount) return;
            if (book->texts[std::size_t(index)].isEmpty()) return;
            c.type = CellType::Text;
            c.text = std::uint32_t(index);
        } else if (type == "str" || type == "inlineStr") {
            if (value.empty()) return;  // an empty text shows as an empty cell
            c.type = CellType::Text;
            c.text = book->addText(value);
        } else if (type == "b") {
            if (value.empty()) return;
            c.type = CellType::Boolean;
            c.code = value == "1" || value == "true" ? 1 : 0;
        } else if (type == "e") {
            c.type = CellType::Error;
            c.code = errorCode(value);
        } else if (type == "d") {
            const std::optional<double> serial = isoSerial(value, book->mode1904);
            if (!serial) return;
            c.type = CellType::Number;
            c.date = true;
            c.number = *serial;
        } else {
            if (value.empty()) return;
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (*end) return;
            c.type = CellType::Number;
            c.number = number;
            c.date = xf < book->xfIsDate.size() && book->xfIsDate[xf];
        }
        book->count(1);
        cells->push_back(c);
    }
};

// .xlsx: the shared strings, rich text runs joined, phonetic guides left out.
struct XlsxStrings : SaxBase {
    std::vector<QByteArray>* out = nullptr;
    std::string text;
    bool inItem = false, inText = false;
    int phonetic = 0;
    void start_element(const Element& e) {
        if (e.name == "si") {
            inItem = true;
            text.clear();
        } else if (e.name == "rPh") {
            ++phonetic;
        } else if (inItem && e.name == "t") {
            inText = phonetic == 0;
        }
    }
    void end_element(const Element& e) {
        if (e.name == "t") {
            inText = false;
        } else if (e.name == "rPh") {
            --phonetic;
        } else if (e.name == "si") {
            inItem = false;
            out->push_back(QByteArray(text.data(), qsizetype(text.size())));
        }
    }
    void characters(std::string_view v) {
        if (inText) text.append(v);
    }
};

// .xlsx: which cell formats show dates: the number format of each, by its code or, for the
// built-in formats, by its number.
struct XlsxStyles : SaxBase {
    std::vector<bool>* xfIsDate = nullptr;
    QHash<long long, bool> formats;
    bool inCellXfs = false;
    void start_element(const Element& e) {
        if (e.name == "numFmt") {
            const std::string* id = attr("numFmtId");
            const std::string* code = attr("formatCode");
            if (id && code && formats.size() < 100000)
                formats.insert(
                    std::atoll(id->c_str()),
                    formatShowsDate(QString::fromUtf8(code->data(), qsizetype(code->size()))));
        } else if (e.name == "cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && e.name == "xf") {
            const std::string* id = attr("numFmtId");
            const long long format = id ? std::atoll(id->c_str()) : 0;
            const auto known = formats.constFind(format);
            if (xfIsDate->size() >= (1u << 20)) throw TooLarge{};
            xfIsDate->push_back(known != formats.constEnd() ? known.value()
                                                            : format >= 0 && format < 1000 &&
                                                                  builtInDateFormat(int(format)));
        }
    }
    void end_element(const Element& e) {
        if (e.name == "cellXfs") inCellXfs = false;
    }
    void characters(std::string_view) {}
};

// The sheets of an .xlsx in workbook order, and the date system.
struct XlsxSheetList : SaxBase {
    std::vector<std::pair<std::string, std::string>> sheets;  // name, relation id
    bool mode1904 = false;
    void start_element(const Element& e) {
        if (e.name == "workbookPr") {
            const std::string* d = attr("date1904");
            mode1904 = d && (*d == "1" || *d == "true");
        } else if (e.name == "sheet") {
            const std::string* name = attr("name");
            const std::string* id = attr("r:id");
            if (sheets.size() >= kMaxSheets) throw TooLarge{};
            sheets.emplace_back(name ? *name : std::string(), id ? *id : std::string());
        }
    }
    void end_element(const Element&) {}
    void characters(std::string_view) {}
};

struct XlsxRelations : SaxBase {
    struct Target {
        std::string id, type, path;
    };
    std::vector<Target> targets;
    void start_element(const Element& e) {
        if (e.name == "Relationship") {
            const std::string* id = attr("Id");
            const std::string* type = attr("Type");
            const std::string* target = attr("Target");
            if (id && target && !target->empty() && targets.size() < 100000) {
                // Targets are relative to the folder of the workbook part, or absolute.
                const std::string path = (*target)[0] == '/' ? target->substr(1) : "xl/" + *target;
                targets.push_back({*id, type ? *type : std::string(), path});
            }
        }
    }
    void end_element(const Element&) {}
    void characters(std::string_view) {}
    static bool endsWith(const std::string& s, std::string_view suffix) {
        return s.size() >= suffix.size() &&
               s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
    }
    std::string byType(std::string_view suffix) const {
        for (const Target& t : targets)
            if (endsWith(t.type, suffix)) return t.path;
        return {};
    }
};

void readXlsx(const orcus::zip_archive& zip, Book& book) {
    std::vector<unsigned char> xml;
    if (!readPart(zip, "xl/workbook.xml", xml)) throw Damaged{};
    XlsxSheetList list;
    parseXml(xml, list);
    book.mode1904 = list.mode1904;
    XlsxRelations rels;
    if (readPart(zip, "xl/_rels/workbook.xml.rels", xml)) parseXml(xml, rels);

    if (const std::string part = rels.byType("/sharedStrings");
        !part.empty() && readPart(zip, part, xml)) {
        XlsxStrings strings;
        strings.out = &book.texts;
        parseXml(xml, strings);
    }
    book.sharedCount = book.texts.size();
    if (const std::string part = rels.byType("/styles");
        !part.empty() && readPart(zip, part, xml)) {
        XlsxStyles styles;
        styles.xfIsDate = &book.xfIsDate;
        parseXml(xml, styles);
    }
    for (const auto& [name, id] : list.sheets) {
        const XlsxRelations::Target* target = nullptr;
        for (const auto& t : rels.targets)
            if (t.id == id) target = &t;
        // Chart sheets and macro sheets are not listed, as in a .xls.
        if (!target || !XlsxRelations::endsWith(target->type, "/worksheet")) continue;
        if (!readPart(zip, target->path, xml)) throw Damaged{};
        book.names << QString::fromStdString(name);
        book.sheets.emplace_back();
        XlsxCells cells;
        cells.book = &book;
        cells.cells = &book.sheets.back();
        parseXml(xml, cells);
    }
}

// .ods: the cells of the content part. A cell's value type tells where its value is: a number
// (float, percentage, currency) in office:value, a date in office:date-value, a time of day in
// office:time-value, a Boolean in office:boolean-value, a text in office:string-value or in its
// paragraphs (joined by line breaks; notes left out). A formula cell carries its stored result
// the same way; an error result is marked by calcext:value-type. Repeated rows and cells are
// repeated; covered cells (inside merged ones) take their place and hold nothing.
struct OdsCells : SaxBase {
    Book* book = nullptr;
    std::vector<Cell>* cells = nullptr;
    int tableDepth = 0, annotation = 0;
    std::int64_t row = 0, col = 0, rowRepeat = 1, colRepeat = 1;
    std::size_t rowStart = 0;  // where the cells of the current row begin
    bool inCell = false, covered = false, formula = false, booleanValue = false;
    std::string valueType, calcType, value, dateValue, timeValue;
    std::optional<std::string> stringValue;
    std::string text;
    int paragraphs = 0;

    void start_element(const Element& e) {
        if (is(e, "table", "null-date")) {
            const std::string* d = attr("table:date-value");
            book->mode1904 = d && d->rfind("1904-01-01", 0) == 0;
        } else if (is(e, "table", "table")) {
            if (++tableDepth > 1) return;  // a table inside a cell is no sheet
            if (book->sheets.size() >= kMaxSheets) throw TooLarge{};
            const std::string* name = attr("table:name");
            book->names << (name ? QString::fromStdString(*name) : QString());
            book->sheets.emplace_back();
            cells = &book->sheets.back();
            row = 0;
        } else if (tableDepth != 1) {
            return;
        } else if (is(e, "table", "table-row")) {
            col = 0;
            const std::string* r = attr("table:number-rows-repeated");
            rowRepeat = r ? std::max<std::int64_t>(1, std::atoll(r->c_str())) : 1;
            rowStart = cells->size();
        } else if (is(e, "table", "table-cell") || is(e, "table", "covered-table-cell")) {
            inCell = true;
            covered = e.name == "covered-table-cell";
            const std::string* r = attr("table:number-columns-repeated");
            colRepeat = r ? std::max<std::int64_t>(1, std::atoll(r->c_str())) : 1;
            formula = attr("table:formula") != nullptr;
            const auto get = [&](std::string_view name, std::string& out) {
                const std::string* a = attr(name);
                out = a ? *a : std::string();
            };
            get("office:value-type", valueType);
            get("calcext:value-type", calcType);
            get("office:value", value);
            get("office:date-value", dateValue);
            get("office:time-value", timeValue);
            const std::string* bv = attr("office:boolean-value");
            booleanValue = bv && (*bv == "true" || *bv == "1");
            const std::string* sv = attr("office:string-value");
            stringValue = sv ? std::optional<std::string>(*sv) : std::nullopt;
            text.clear();
            paragraphs = 0;
        } else if (inCell && is(e, "office", "annotation")) {
            ++annotation;
        } else if (inCell && annotation == 0) {
            if (is(e, "text", "p")) {
                if (paragraphs++ > 0) text.append("\n");
            } else if (is(e, "text", "s")) {
                const std::string* c = attr("text:c");
                const std::int64_t n =
                    c ? std::clamp<std::int64_t>(std::atoll(c->c_str()), 1, 1000) : 1;
                text.append(std::size_t(n), ' ');
            } else if (is(e, "text", "tab")) {
                text.append("\t");
            } else if (is(e, "text", "line-break")) {
                text.append("\n");
            }
        }
    }
    void end_element(const Element& e) {
        if (is(e, "table", "table")) {
            --tableDepth;
        } else if (tableDepth != 1) {
            return;
        } else if (is(e, "table", "table-row")) {
            repeatRow();
            row += rowRepeat;
        } else if (is(e, "table", "table-cell") || is(e, "table", "covered-table-cell")) {
            inCell = false;
            addCell();
            col += colRepeat;
        } else if (is(e, "office", "annotation")) {
            --annotation;
        }
    }
    void characters(std::string_view v) {
        if (inCell && annotation == 0 && paragraphs > 0) text.append(v);
    }

    // The cell just read, as many times as it is repeated across.
    void addCell() {
        if (covered) return;
        Cell c;
        c.formula = formula;
        if (formula && calcType == "error") {
            c.type = CellType::Error;
            c.code = errorCode(text);
        } else if (valueType == "float" || valueType == "percentage" || valueType == "currency") {
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (value.empty() || *end) return;
            c.type = CellType::Number;
            c.number = number;
        } else if (valueType == "date") {
            const std::optional<double> serial = isoSerial(dateValue, book->mode1904);
            if (!serial) return;
            c.type = CellType::Number;
            c.date = true;
            c.number = *serial;
        } else if (valueType == "time") {
            c.type = CellType::Number;
            c.date = true;
            c.number = durationDays(timeValue);
        } else if (valueType == "boolean") {
            c.type = CellType::Boolean;
            c.code = booleanValue ? 1 : 0;
        } else if (valueType == "string") {
            const std::string& s = stringValue ? *stringValue : text;
            if (s.empty()) return;  // an empty text shows as an empty cell
            c.type = CellType::Text;
            c.text = book->addText(s);
        } else {
            return;
        }
        if (row >= kMaxRows || col + colRepeat > kMaxColumns) throw TooLarge{};
        book->count(std::size_t(colRepeat));
        for (std::int64_t k = col; k < col + colRepeat; ++k) {
            c.row = std::uint16_t(row);
            c.col = std::uint16_t(k);
            cells->push_back(c);
        }
    }

    // The row just read, as many times as it is repeated down, when it holds anything.
    void repeatRow() {
        const std::size_t end = cells->size();
        if (rowRepeat <= 1 || end == rowStart) return;
        if (row + rowRepeat > kMaxRows) throw TooLarge{};
        book->count(std::size_t(rowRepeat - 1) * (end - rowStart));
        for (std::int64_t r = 1; r < rowRepeat; ++r)
            for (std::size_t i = rowStart; i < end; ++i) {
                Cell c = (*cells)[i];
                c.row = std::uint16_t(row + r);
                cells->push_back(c);
            }
    }
};

void readOds(const orcus::zip_archive& zip, Book& book) {
    std::vector<unsigned char> xml;
    if (!readPart(zip, "content.xml", xml)) throw Damaged{};
    OdsCells cells;
    cells.book = &book;
    parseXml(xml, cells);
}

Result corruptPackage(const QString& fileName) {
    return Result::failure(
        ErrorKind::Corrupt,
        QStringLiteral("ブック「%1」は壊れているため読めません。").arg(fileName));
}

enum class Kind { Xlsx, Ods, Other };

// What the container holds: an OpenDocument spreadsheet names its kind in the "mimetype" part,
// an Office Open XML workbook has its workbook part.
Kind kindOf(const orcus::zip_archive& zip) {
    std::vector<unsigned char> mime;
    if (readPart(zip, "mimetype", mime)) {
        static const char kOds[] = "application/vnd.oasis.opendocument.spreadsheet";
        const std::string_view m(reinterpret_cast<const char*>(mime.data()), mime.size());
        return m == kOds ? Kind::Ods : Kind::Other;
    }
    if (hasPart(zip, "xl/workbook.xml")) return Kind::Xlsx;
    return Kind::Other;
}

}  // namespace

bool looksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

Result readPackage(const QByteArray& bytes, const QString& fileName, LoadedBook& loaded) {
    loaded = {};
    std::uint64_t unpacked = 0;
    if (!declaredUnpackedSize(bytes, unpacked)) return corruptPackage(fileName);
    if (unpacked > kMaxUnpackedBytes || unpacked / kMaxRatio > std::uint64_t(bytes.size()))
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("ブック「%1」は展開すると大きすぎるため読めません。").arg(fileName));

    Book book;
    try {
        orcus::zip_archive_stream_blob stream(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        orcus::zip_archive zip(&stream);
        zip.load();
        switch (kindOf(zip)) {
            case Kind::Xlsx:
                readXlsx(zip, book);
                break;
            case Kind::Ods:
                readOds(zip, book);
                break;
            case Kind::Other:
                return notAWorkbook(fileName);
        }
    } catch (const TooLarge&) {
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("ブック「%1」は 65536 行か 256 列を超えるシートがあるため読めません。")
                .arg(fileName));
    } catch (const TooManyCells&) {
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("ブック「%1」は値のあるセルが多すぎるため読めません。").arg(fileName));
    } catch (const Damaged&) {
        return corruptPackage(fileName);
    } catch (const std::exception&) {
        // The container's own reader refuses a damaged directory or part this way.
        return corruptPackage(fileName);
    }

    if (book.sheets.empty())
        return Result::failure(
            ErrorKind::NotWorkbook,
            QStringLiteral(
                "ブック「%1」にはワークシートがありません（マクロだけのブックは読めません）。")
                .arg(fileName));
    loaded.date1904 = book.mode1904;
    loaded.names = book.names;
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        Sheet sheet;
        sheet.name = book.names[qsizetype(i)];
        inPositionOrder(book.sheets[i]);
        sheet.cells = std::move(book.sheets[i]);
        loaded.sheets.push_back(std::move(sheet));
    }
    loaded.strings = std::move(book.texts);
    return Result::success();
}

}  // namespace pellix::datasource
