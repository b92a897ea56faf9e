// Office Open XML (.xlsx) and OpenDocument (.ods) spreadsheets, read with liborcus into the
// cells of each worksheet. An .xlsx is read part by part with liborcus's ZIP and XML parsers
// (workbook, relations, shared strings, styles, worksheets). An .ods goes through liborcus's
// OpenDocument import, and its content part is read once more for what that import passes
// over (text and error results of formulas, Booleans, times of day, texts of several
// paragraphs). Formula cells keep the result their writer stored; nothing is calculated. The
// container's directory is checked before anything is unpacked, so that a file that would
// unpack to far more than it could hold is refused instead of filling the memory.

#include "datasource/BookReaders.h"

#include <orcus/exception.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/sax_parser.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <QDate>
#include <QHash>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace pellix::datasource {

namespace ss = orcus::spreadsheet;

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
// What the parts of a container may unpack to, together: far beyond any sheet of 65,536 rows
// and 256 columns that a shop keeps, far below what would exhaust the memory.
constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t(1) << 30;
constexpr std::uint64_t kMaxRatio = 1000;  // deflate cannot do better than about 1:1032

// Raised inside the parser's callbacks to abandon a file.
struct TooLarge {};

std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// The sizes the central directory of a ZIP container declares for its parts, added up; false
// when the directory cannot be found or runs past the end of the file.
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
        total += le32(p + pos + 24);
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

class BookFactory;

// One worksheet's cells as the parser hands them over, with the styles of its cells.
class SheetSink final : public ss::iface::import_sheet, public ss::iface::import_formula {
  public:
    SheetSink(BookFactory& book, bool useFormats) : book_(book), useFormats_(useFormats) {}

    std::vector<Cell> cells;
    struct Styled {
        std::uint16_t row;
        std::uint16_t col;
        std::size_t xf;
    };
    std::vector<Styled> styled;
    // Cells the parser leaves out or shortens, read from the parts themselves; they replace
    // what the parser gave at their position.
    std::vector<Cell> extra;

    ss::iface::import_formula* get_formula() override { return this; }

    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override;
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t sindex) override;
    void set_value(ss::row_t row, ss::col_t col, double value) override {
        addNumber(row, col, value, false, false);
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override {
        Cell c = at(row, col);
        c.type = CellType::Boolean;
        c.code = value ? 1 : 0;
        cells.push_back(c);
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour,
                       int minute, double second) override;
    void set_format(ss::row_t row, ss::col_t col, std::size_t xf) override {
        if (!useFormats_) return;
        const Cell c = at(row, col);
        styled.push_back({c.row, c.col, xf});
    }
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t row, ss::col_t col, ss::row_t count) override {
        if (cells.empty() || count <= 0) return;
        const Cell source = cells.back();
        if (source.row != row || source.col != col) return;
        if (count >= kMaxRows - row) throw TooLarge{};
        for (ss::row_t i = 1; i <= count; ++i) {
            Cell c = source;
            c.row = std::uint16_t(row + i);
            cells.push_back(c);
        }
    }
    ss::range_size_t get_sheet_size() const override { return {kMaxRows, kMaxColumns}; }

    // The formula cell now being read: its position, then its stored result.
    void set_position(ss::row_t row, ss::col_t col) override {
        pending_ = at(row, col);
        pending_.formula = true;
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(std::size_t) override {}
    void set_result_string(std::string_view value) override;
    void set_result_value(double value) override {
        pending_.type = CellType::Number;
        pending_.number = value;
    }
    void set_result_bool(bool value) override {
        pending_.type = CellType::Boolean;
        pending_.code = value ? 1 : 0;
    }
    void set_result_empty() override { pending_.type = CellType::Empty; }
    void commit() override {
        if (pending_.type != CellType::Empty) cells.push_back(pending_);
        pending_ = Cell{};
    }

  private:
    static Cell at(ss::row_t row, ss::col_t col) {
        if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxColumns) throw TooLarge{};
        Cell c;
        c.row = std::uint16_t(row);
        c.col = std::uint16_t(col);
        return c;
    }
    void addNumber(ss::row_t row, ss::col_t col, double value, bool date, bool formula) {
        Cell c = at(row, col);
        c.type = CellType::Number;
        c.number = value;
        c.date = date;
        c.formula = formula;
        cells.push_back(c);
    }

    BookFactory& book_;
    bool useFormats_;
    Cell pending_;
};

// The shared strings (plain and rich), whose pieces are joined into one text.
class Strings final : public ss::iface::import_shared_strings {
  public:
    explicit Strings(std::vector<QByteArray>& out) : out_(out) {}
    std::size_t append(std::string_view s) override { return push(s); }
    std::size_t add(std::string_view s) override { return push(s); }
    void set_segment_font(std::size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override {}
    void append_segment(std::string_view s) override {
        segments_.append(s.data(), qsizetype(s.size()));
    }
    std::size_t commit_segments() override {
        out_.push_back(std::move(segments_));
        segments_ = QByteArray();
        return out_.size() - 1;
    }
    std::size_t push(std::string_view s) {
        out_.push_back(QByteArray(s.data(), qsizetype(s.size())));
        return out_.size() - 1;
    }

  private:
    std::vector<QByteArray>& out_;
    QByteArray segments_;
};

// Of the styles only what tells a date: the number format of each cell format.
class Styles final : public ss::iface::import_styles {
  public:
    std::vector<bool> xfIsDate;

    void set_font_count(std::size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                  ss::color_elem_t) override {}
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                        ss::color_elem_t) override {}
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    std::size_t commit_font() override { return 0; }
    void set_fill_count(std::size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                           ss::color_elem_t) override {}
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                           ss::color_elem_t) override {}
    std::size_t commit_fill() override { return 0; }
    void set_border_count(std::size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t, ss::color_elem_t) override {}
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    std::size_t commit_border() override { return 0; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    std::size_t commit_cell_protection() override { return 0; }
    void set_number_format_count(std::size_t) override {}
    void set_number_format_identifier(std::size_t id) override { formatId_ = id; }
    void set_number_format_code(std::string_view s) override {
        formatCode_ = QString::fromUtf8(s.data(), qsizetype(s.size()));
    }
    std::size_t commit_number_format() override {
        if (codes_.size() < 100000) codes_.insert(formatId_, formatShowsDate(formatCode_));
        formatId_ = 0;
        formatCode_.clear();
        return std::size_t(codes_.size());
    }
    void set_cell_xf_count(std::size_t) override {}
    void set_cell_style_xf_count(std::size_t) override {}
    void set_dxf_count(std::size_t) override {}
    void set_xf_font(std::size_t) override {}
    void set_xf_fill(std::size_t) override {}
    void set_xf_border(std::size_t) override {}
    void set_xf_protection(std::size_t) override {}
    void set_xf_number_format(std::size_t index) override { xfFormat_ = index; }
    void set_xf_style_xf(std::size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    std::size_t commit_cell_xf() override {
        const auto known = codes_.constFind(xfFormat_);
        const bool date = known != codes_.constEnd()
                              ? known.value()
                              : xfFormat_ < 1000 && builtInDateFormat(int(xfFormat_));
        if (xfIsDate.size() >= kMaxXfs) throw TooLarge{};
        xfIsDate.push_back(date);
        xfFormat_ = 0;
        return xfIsDate.size() - 1;
    }
    std::size_t commit_cell_style_xf() override {
        xfFormat_ = 0;
        return 0;
    }
    std::size_t commit_dxf() override {
        xfFormat_ = 0;
        return 0;
    }
    void set_cell_style_count(std::size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(std::size_t) override {}
    void set_cell_style_builtin(std::size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    std::size_t commit_cell_style() override { return 0; }

  private:
    static constexpr std::size_t kMaxXfs = 1 << 20;
    QHash<std::size_t, bool> codes_;  // number format id: shows a date
    std::size_t formatId_ = 0;
    QString formatCode_;
    std::size_t xfFormat_ = 0;
};

class Settings final : public ss::iface::import_global_settings {
  public:
    bool mode1904 = false;
    void set_origin_date(int year, int month, int day) override {
        mode1904 = year == 1904 && month == 1 && day == 1;
    }
    void set_default_formula_grammar(ss::formula_grammar_t g) override { grammar_ = g; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return grammar_; }
    void set_character_set(orcus::character_set_t) override {}

  private:
    ss::formula_grammar_t grammar_ = ss::formula_grammar_t::unknown;
};

// Cell references in A1 form ("B7", "$B$7", "A1:D20"), which the parser asks to have read for
// the positions of shared formulas and merged cells.
class References final : public ss::iface::import_reference_resolver {
  public:
    ss::src_address_t resolve_address(std::string_view text) override {
        ss::src_address_t a{0, 0, 0};
        std::size_t i = 0;
        const auto skipDollar = [&] {
            if (i < text.size() && text[i] == '$') ++i;
        };
        skipDollar();
        std::int64_t col = 0, row = 0;
        bool letters = false, digits = false;
        for (; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i) {
            col = col * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
            if (col > 1 << 20) throw orcus::general_error("column out of range");
            letters = true;
        }
        skipDollar();
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            row = row * 10 + (text[i] - '0');
            if (row > 1 << 24) throw orcus::general_error("row out of range");
            digits = true;
        }
        if (!letters || !digits || i != text.size() || row == 0)
            throw orcus::general_error("not a cell reference");
        a.row = ss::row_t(row - 1);
        a.column = ss::col_t(col - 1);
        return a;
    }
    ss::src_range_t resolve_range(std::string_view text) override {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            const ss::src_address_t a = resolve_address(text);
            return {a, a};
        }
        return {resolve_address(text.substr(0, colon)), resolve_address(text.substr(colon + 1))};
    }
};

class BookFactory final : public ss::iface::import_factory {
  public:
    explicit BookFactory(bool useFormats) : strings_(texts), useFormats_(useFormats) {}

    std::vector<QByteArray> texts;
    std::size_t sharedCount = 0;
    std::vector<std::string> names;
    std::vector<std::unique_ptr<SheetSink>> sheets;
    Styles styles;
    Settings settings;

    ss::iface::import_global_settings* get_global_settings() override { return &settings; }
    ss::iface::import_shared_strings* get_shared_strings() override { return &strings_; }
    ss::iface::import_styles* get_styles() override { return &styles; }
    ss::iface::import_reference_resolver* get_reference_resolver(
        ss::formula_ref_context_t) override {
        return &references_;
    }
    ss::iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override {
        if (sheets.size() >= 4096) throw TooLarge{};
        names.emplace_back(name);
        sheets.push_back(std::make_unique<SheetSink>(*this, useFormats_));
        return sheets.back().get();
    }
    ss::iface::import_sheet* get_sheet(std::string_view name) override {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return sheets[i].get();
        return nullptr;
    }
    ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
        return index >= 0 && std::size_t(index) < sheets.size() ? sheets[std::size_t(index)].get()
                                                                : nullptr;
    }
    void finalize() override {}

    std::uint32_t addText(std::string_view s) {
        texts.push_back(QByteArray(s.data(), qsizetype(s.size())));
        return std::uint32_t(texts.size() - 1);
    }
    bool mode1904() const { return settings.mode1904; }

  private:
    References references_;
    Strings strings_;
    bool useFormats_;
};

void SheetSink::set_auto(ss::row_t row, ss::col_t col, std::string_view s) {
    Cell c = at(row, col);
    if (s.empty()) return;
    c.type = CellType::Text;
    c.text = book_.addText(s);
    cells.push_back(c);
}

void SheetSink::set_string(ss::row_t row, ss::col_t col, ss::string_id_t sindex) {
    Cell c = at(row, col);
    if (sindex >= book_.texts.size()) return;
    if (book_.texts[sindex].isEmpty()) return;  // an empty text shows as an empty cell
    c.type = CellType::Text;
    c.text = sindex;
    cells.push_back(c);
}

void SheetSink::set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour,
                              int minute, double second) {
    // Counted from 1900 here; moved to the 1904 system with the rest once the file says so.
    addNumber(row, col, serialOf(year, month, day, hour, minute, second, false), true, false);
}

void SheetSink::set_result_string(std::string_view value) {
    if (value.empty()) {
        pending_.type = CellType::Empty;
        return;
    }
    pending_.type = CellType::Text;
    pending_.text = book_.addText(value);
}

// Cells in row, then column order, the last of several at one position kept; a number whose
// cell format shows dates becomes a date.
void finish(SheetSink& sink, const std::vector<bool>& xfIsDate, Sheet& sheet) {
    std::vector<Cell>& cells = sink.cells;
    cells.insert(cells.end(), sink.extra.begin(), sink.extra.end());
    const auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
        std::stable_sort(cells.begin(), cells.end(), before);
    std::size_t out = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (out > 0 && cells[out - 1].row == cells[i].row && cells[out - 1].col == cells[i].col)
            cells[out - 1] = cells[i];
        else
            cells[out++] = cells[i];
    }
    cells.resize(out);

    auto& styled = sink.styled;
    const auto styledBefore = [](const SheetSink::Styled& a, const SheetSink::Styled& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    if (!std::is_sorted(styled.begin(), styled.end(), styledBefore))
        std::stable_sort(styled.begin(), styled.end(), styledBefore);
    std::size_t s = 0;
    for (Cell& c : cells) {
        while (s < styled.size() &&
               (styled[s].row < c.row || (styled[s].row == c.row && styled[s].col < c.col)))
            ++s;
        // The last style given to the position counts.
        std::size_t last = s;
        while (last + 1 < styled.size() && styled[last + 1].row == c.row &&
               styled[last + 1].col == c.col)
            ++last;
        if (s < styled.size() && styled[last].row == c.row && styled[last].col == c.col &&
            c.type == CellType::Number && styled[last].xf < xfIsDate.size() &&
            xfIsDate[styled[last].xf])
            c.date = true;
    }
    sheet.cells = std::move(cells);
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

// Collects the attributes the SAX parser reports before the element they belong to. The
// entries are reused from element to element, so that reading allocates nothing once warm.
struct SaxBase {
    struct Attr {
        std::string_view ns, name;  // these point into the part's text
        std::string value;
    };
    struct Attrs {
        std::vector<Attr> items;
        std::size_t used = 0;
        void clear() { used = 0; }
    } attrs;
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void attribute(const orcus::sax::parser_attribute& a) {
        if (attrs.used == attrs.items.size()) attrs.items.emplace_back();
        Attr& at = attrs.items[attrs.used++];
        at.ns = a.ns;
        at.name = a.name;
        at.value.assign(a.value);
    }
    // The attribute of that name ("r", "r:id") of the element now starting.
    const std::string* attr(std::string_view qualified) const {
        std::string_view ns, name = qualified;
        if (const std::size_t colon = qualified.find(':'); colon != std::string_view::npos) {
            ns = qualified.substr(0, colon);
            name = qualified.substr(colon + 1);
        }
        for (std::size_t i = 0; i < attrs.used; ++i)
            if (attrs.items[i].name == name && attrs.items[i].ns == ns)
                return &attrs.items[i].value;
        return nullptr;
    }
    static std::string nameOf(const orcus::sax::parser_element& e) {
        std::string name;
        if (!e.ns.empty()) name.append(e.ns).append(":");
        name.append(e.name);
        return name;
    }
};

template <class Handler>
void parseXml(const std::vector<unsigned char>& xml, Handler& handler) {
    orcus::sax_parser<Handler> parser(reinterpret_cast<const char*>(xml.data()), xml.size(),
                                      handler);
    parser.parse();
}

bool readPart(const orcus::zip_archive& zip, std::string_view name,
              std::vector<unsigned char>& out) {
    out.clear();
    for (std::size_t i = 0; i < zip.get_file_entry_count(); ++i)
        if (zip.get_file_entry_name(i) == name) return zip.read_file_entry(name, out);
    return false;
}

// .xlsx: the cells of one worksheet part. A cell's type attribute tells how its value reads:
// a number (with its cell format, which may show a date), an index into the shared strings,
// the text result of a formula ("str"), an inline text ("inlineStr", rich text runs joined,
// phonetic guides left out), a Boolean or an error value. A formula cell gives its stored
// result; the formula itself is not looked at.
struct XlsxCells : SaxBase {
    BookFactory* book = nullptr;
    SheetSink* sheet = nullptr;
    std::int64_t row = -1, col = -1;
    std::string type, value;
    std::size_t xf = 0;
    bool inCell = false, inValue = false, inText = false, formula = false;
    int phonetic = 0;

    void start_element(const orcus::sax::parser_element& e) {
        const std::string_view name = e.name;
        if (name == "row") {
            const std::string* r = attr("r");
            row = r ? std::atoll(r->c_str()) - 1 : row + 1;
            col = -1;
        } else if (name == "c") {
            inCell = true;
            formula = false;
            value.clear();
            const std::string* t = attr("t");
            type = t ? *t : std::string("n");
            const std::string* st = attr("s");
            xf = st ? std::size_t(std::atoll(st->c_str())) : 0;
            if (const std::string* r = attr("r")) {
                References refs;
                const ss::src_address_t a = refs.resolve_address(*r);
                row = a.row;
                col = a.column;
            } else {
                ++col;
            }
        } else if (inCell && name == "v") {
            inValue = true;
        } else if (inCell && name == "f") {
            formula = true;
        } else if (inCell && name == "rPh") {
            ++phonetic;
        } else if (inCell && name == "t") {
            inText = phonetic == 0;
        }
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element& e) {
        const std::string_view name = e.name;
        if (name == "v") {
            inValue = false;
        } else if (name == "t") {
            inText = false;
        } else if (name == "rPh") {
            --phonetic;
        } else if (name == "c" && inCell) {
            inCell = false;
            addCell();
        }
    }
    void characters(std::string_view v, bool) {
        if (inValue || (inText && type == "inlineStr")) value.append(v);
    }

    void addCell() {
        if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxColumns) throw TooLarge{};
        Cell c;
        c.row = std::uint16_t(row);
        c.col = std::uint16_t(col);
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
            // An ISO 8601 date and time.
            int y = 0, mo = 0, d = 0, h = 0, mi = 0;
            double sec = 0;
            if (std::sscanf(value.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &sec) < 3)
                return;
            c.type = CellType::Number;
            c.date = true;
            c.number = serialOf(y, mo, d, h, mi, sec, book->mode1904());
        } else {
            if (value.empty()) return;
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (*end) return;
            c.type = CellType::Number;
            c.number = number;
            c.date = xf < book->styles.xfIsDate.size() && book->styles.xfIsDate[xf];
        }
        sheet->cells.push_back(c);
    }
};

// .xlsx: the shared strings, rich text runs joined, phonetic guides left out.
struct XlsxStrings : SaxBase {
    std::vector<QByteArray>* out = nullptr;
    std::string text;
    bool inItem = false, inText = false;
    int phonetic = 0;
    void start_element(const orcus::sax::parser_element& e) {
        if (e.name == "si") {
            inItem = true;
            text.clear();
        } else if (e.name == "rPh") {
            ++phonetic;
        } else if (inItem && e.name == "t") {
            inText = phonetic == 0;
        }
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element& e) {
        if (e.name == "t") {
            inText = false;
        } else if (e.name == "rPh") {
            --phonetic;
        } else if (e.name == "si") {
            inItem = false;
            out->push_back(QByteArray(text.data(), qsizetype(text.size())));
        }
    }
    void characters(std::string_view v, bool) {
        if (inText) text.append(v);
    }
};

// .xlsx: which cell formats show dates: the number format of each, by its code or, for the
// built-in formats, by its number.
struct XlsxStyles : SaxBase {
    std::vector<bool>* xfIsDate = nullptr;
    QHash<long long, bool> formats;
    bool inCellXfs = false;
    void start_element(const orcus::sax::parser_element& e) {
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
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element& e) {
        if (e.name == "cellXfs") inCellXfs = false;
    }
    void characters(std::string_view, bool) {}
};

// The sheets of an .xlsx in workbook order, and the date system.
struct XlsxSheetList : SaxBase {
    std::vector<std::pair<std::string, std::string>> sheets;  // name, relation id
    bool mode1904 = false;
    void start_element(const orcus::sax::parser_element& e) {
        if (e.name == "workbookPr") {
            const std::string* d = attr("date1904");
            mode1904 = d && (*d == "1" || *d == "true");
        } else if (e.name == "sheet") {
            const std::string* name = attr("name");
            const std::string* id = attr("r:id");
            sheets.emplace_back(name ? *name : std::string(), id ? *id : std::string());
        }
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
    void characters(std::string_view, bool) {}
};

struct XlsxRelations : SaxBase {
    struct Target {
        std::string id, type, path;
    };
    std::vector<Target> targets;
    void start_element(const orcus::sax::parser_element& e) {
        if (e.name == "Relationship") {
            const std::string* id = attr("Id");
            const std::string* type = attr("Type");
            const std::string* target = attr("Target");
            if (id && target) {
                // Targets are relative to the folder of the workbook part, or absolute.
                const std::string path = (*target)[0] == '/' ? target->substr(1) : "xl/" + *target;
                targets.push_back({*id, type ? *type : std::string(), path});
            }
        }
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
    void characters(std::string_view, bool) {}
    std::string byType(std::string_view suffix) const {
        for (const Target& t : targets)
            if (t.type.size() >= suffix.size() &&
                t.type.compare(t.type.size() - suffix.size(), suffix.size(), suffix) == 0)
                return t.path;
        return {};
    }
};

void readXlsx(const orcus::zip_archive& zip, BookFactory& book) {
    std::vector<unsigned char> xml;
    if (!readPart(zip, "xl/workbook.xml", xml)) throw orcus::general_error("no workbook part");
    XlsxSheetList list;
    parseXml(xml, list);
    book.settings.mode1904 = list.mode1904;
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
        styles.xfIsDate = &book.styles.xfIsDate;
        parseXml(xml, styles);
    }
    for (std::size_t i = 0; i < list.sheets.size(); ++i) {
        const auto& [name, id] = list.sheets[i];
        const XlsxRelations::Target* target = nullptr;
        for (const auto& t : rels.targets)
            if (t.id == id) target = &t;
        // Chart sheets and macro sheets are not listed, as in a .xls.
        if (!target || target->type.size() < 10 ||
            target->type.compare(target->type.size() - 10, 10, "/worksheet") != 0)
            continue;
        auto* sink = static_cast<SheetSink*>(book.append_sheet(ss::sheet_t(i), name));
        if (!readPart(zip, target->path, xml)) throw orcus::general_error("missing sheet part");
        XlsxCells cells;
        cells.book = &book;
        cells.sheet = sink;
        parseXml(xml, cells);
    }
}

// .ods: what the parser leaves out or changes: the text result of a formula, an error result,
// Booleans (given as numbers), times of day, and the paragraphs of a text before its last
// (joined by line breaks).
struct OdsTexts : SaxBase {
    BookFactory* book = nullptr;
    int sheet = -1;
    std::int64_t row = 0, col = 0, rowRepeat = 1, colRepeat = 1;
    bool inCell = false, covered = false, formula = false;
    std::string valueType, calcType;
    std::optional<std::string> stringValue;
    std::string text;
    int paragraphs = 0;
    bool mode1904 = false, booleanValue = false;
    std::optional<std::string> timeValue;

    void start_element(const orcus::sax::parser_element& e) {
        const std::string name = nameOf(e);
        if (name == "table:null-date") {
            const std::string* d = attr("table:date-value");
            mode1904 = d && d->rfind("1904-01-01", 0) == 0;
        } else if (name == "table:table") {
            ++sheet;
            row = 0;
        } else if (name == "table:table-row") {
            col = 0;
            const std::string* r = attr("table:number-rows-repeated");
            rowRepeat = r ? std::max<std::int64_t>(1, std::atoll(r->c_str())) : 1;
        } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
            inCell = true;
            covered = name == "table:covered-table-cell";
            const std::string* r = attr("table:number-columns-repeated");
            colRepeat = r ? std::max<std::int64_t>(1, std::atoll(r->c_str())) : 1;
            formula = attr("table:formula") != nullptr;
            const std::string* vt = attr("office:value-type");
            valueType = vt ? *vt : std::string();
            const std::string* ct = attr("calcext:value-type");
            calcType = ct ? *ct : std::string();
            const std::string* sv = attr("office:string-value");
            stringValue = sv ? std::optional<std::string>(*sv) : std::nullopt;
            const std::string* bv = attr("office:boolean-value");
            booleanValue = bv && (*bv == "true" || *bv == "1");
            const std::string* tv = attr("office:time-value");
            timeValue = tv ? std::optional<std::string>(*tv) : std::nullopt;
            text.clear();
            paragraphs = 0;
        } else if (inCell && name == "text:p") {
            if (paragraphs++ > 0) text.append("\n");
        } else if (inCell && name == "text:s") {
            const std::string* c = attr("text:c");
            const std::int64_t n =
                c ? std::clamp<std::int64_t>(std::atoll(c->c_str()), 1, 1000) : 1;
            text.append(std::size_t(n), ' ');
        } else if (inCell && name == "text:tab") {
            text.append("\t");
        } else if (inCell && name == "text:line-break") {
            text.append("\n");
        }
        attrs.clear();
    }
    void end_element(const orcus::sax::parser_element& e) {
        const std::string name = nameOf(e);
        if (name == "table:table-row") {
            row += rowRepeat;
        } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
            inCell = false;
            addCell();
            col += colRepeat;
        }
    }
    void characters(std::string_view v, bool) {
        if (inCell && paragraphs > 0) text.append(v);
    }

    void addCell() {
        if (covered || sheet < 0 || std::size_t(sheet) >= book->sheets.size()) return;
        Cell c;
        if (formula && calcType == "error") {
            c.type = CellType::Error;
            c.code = errorCode(text);
            c.formula = true;
        } else if (formula && valueType == "string") {
            const std::string& value = stringValue ? *stringValue : text;
            if (value.empty()) return;
            c.type = CellType::Text;
            c.formula = true;
            c.text = book->addText(value);
        } else if (valueType == "boolean") {
            c.type = CellType::Boolean;
            c.code = booleanValue ? 1 : 0;
            c.formula = formula;
        } else if (valueType == "time" && timeValue) {
            c.type = CellType::Number;
            c.date = true;
            c.formula = formula;
            c.number = durationDays(*timeValue);
        } else if (!formula && valueType == "string" && paragraphs > 1) {
            c.type = CellType::Text;
            c.text = book->addText(text);
        } else {
            return;
        }
        if (row + rowRepeat > kMaxRows || col + colRepeat > kMaxColumns) throw TooLarge{};
        SheetSink& sink = *book->sheets[std::size_t(sheet)];
        for (std::int64_t r = row; r < row + rowRepeat; ++r)
            for (std::int64_t k = col; k < col + colRepeat; ++k) {
                c.row = std::uint16_t(r);
                c.col = std::uint16_t(k);
                sink.extra.push_back(c);
            }
    }
};

void odsSupplement(const orcus::zip_archive& zip, BookFactory& book) {
    std::vector<unsigned char> xml;
    if (!readPart(zip, "content.xml", xml)) return;
    OdsTexts texts;
    texts.book = &book;
    parseXml(xml, texts);
    if (texts.mode1904) {
        // Dates were counted from 1900; 1,462 days lie between the two systems' first days.
        book.settings.mode1904 = true;
        for (auto& sheet : book.sheets)
            for (Cell& c : sheet->cells)
                if (c.date) c.number -= 1462;
    }
}

// Reads the worksheets of an .xlsx, or what the import of an .ods passes over.
void readParts(const QByteArray& bytes, bool xlsx, BookFactory& book) {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          std::size_t(bytes.size()));
    orcus::zip_archive zip(&stream);
    zip.load();
    if (xlsx)
        readXlsx(zip, book);
    else
        odsSupplement(zip, book);
}

Result corruptPackage(const QString& fileName) {
    return Result::failure(
        ErrorKind::Corrupt,
        QStringLiteral("ブック「%1」は壊れているため読めません。").arg(fileName));
}

}  // namespace

bool looksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

Result readPackage(const QByteArray& bytes, const QString& fileName, LoadedBook& book) {
    book = {};
    std::uint64_t unpacked = 0;
    if (!declaredUnpackedSize(bytes, unpacked)) return corruptPackage(fileName);
    if (unpacked > kMaxUnpackedBytes || unpacked / kMaxRatio > std::uint64_t(bytes.size()))
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("ブック「%1」は展開すると大きすぎるため読めません。").arg(fileName));

    const auto* blob = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    const std::string_view stream(bytes.constData(), size);
    std::unique_ptr<BookFactory> factory;
    try {
        if (orcus::orcus_xlsx::detect(blob, size)) {
            factory = std::make_unique<BookFactory>(true);
            readParts(bytes, true, *factory);
        } else if (orcus::orcus_ods::detect(blob, size)) {
            factory = std::make_unique<BookFactory>(false);
            orcus::orcus_ods reader(factory.get());
            reader.read_stream(stream);
            readParts(bytes, false, *factory);
        } else {
            return notAWorkbook(fileName);
        }
    } catch (const TooLarge&) {
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("ブック「%1」は 65536 行か 256 列を超えるシートがあるため読めません。")
                .arg(fileName));
    } catch (const std::bad_alloc&) {
        return corruptPackage(fileName);
    } catch (const std::exception&) {
        return corruptPackage(fileName);
    }

    if (factory->sheets.empty())
        return Result::failure(
            ErrorKind::NotWorkbook,
            QStringLiteral(
                "ブック「%1」にはワークシートがありません（マクロだけのブックは読めません）。")
                .arg(fileName));
    book.date1904 = factory->mode1904();
    for (std::size_t i = 0; i < factory->sheets.size(); ++i) {
        Sheet sheet;
        sheet.name = QString::fromStdString(factory->names[i]);
        finish(*factory->sheets[i], factory->styles.xfIsDate, sheet);
        book.names << sheet.name;
        book.sheets.push_back(std::move(sheet));
    }
    book.strings = std::move(factory->texts);
    return Result::success();
}

}  // namespace pellix::datasource
