// Office Open XML (.xlsx) and OpenDocument (.ods) spreadsheets, read through liborcus into the
// cells of each worksheet. Formula cells keep the result their writer stored; nothing is
// calculated. The container's parts are checked before the parser sees them, so that a file
// that unpacks to far more than it could hold is refused instead of filling the memory.

#include "datasource/BookReaders.h"

#include <orcus/orcus_ods.hpp>
#include <orcus/exception.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <QDate>
#include <QHash>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
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

// A Gregorian date and time as a serial day number of the workbook's date system.
double serialOf(int year, int month, int day, int hour, int minute, double second, bool mode1904) {
    const QDate date(year, month, day);
    if (!date.isValid()) return 0;
    qint64 days = 0;
    if (mode1904)
        days = QDate(1904, 1, 1).daysTo(date);
    else if (date < QDate(1900, 3, 1))
        days = QDate(1899, 12, 31).daysTo(date);  // before the day that never was
    else
        days = QDate(1899, 12, 30).daysTo(date);
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
    addNumber(row, col, serialOf(year, month, day, hour, minute, second, book_.mode1904()), true,
              false);
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
            orcus::orcus_xlsx reader(factory.get());
            reader.read_stream(stream);
        } else if (orcus::orcus_ods::detect(blob, size)) {
            factory = std::make_unique<BookFactory>(false);
            orcus::orcus_ods reader(factory.get());
            reader.read_stream(stream);
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
