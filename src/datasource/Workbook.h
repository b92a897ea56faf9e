#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace pellix::datasource {

struct LoadedBook;

enum class CellType : std::uint8_t { Empty, Number, Text, Boolean, Error };

// One cell with a value, as the workbook stores it. A formula cell carries its stored result.
struct Cell {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    CellType type = CellType::Empty;
    bool date = false;       // a number shown with a date or time format
    bool formula = false;    // the stored result of a formula
    std::uint8_t code = 0;   // Boolean: 0 or 1; Error: the error code (0x07 = #DIV/0!, ...)
    std::uint32_t text = 0;  // Text: index for Workbook::text
    double number = 0;       // Number: the value (a date as its serial day number)
};

// The cells of one worksheet: sorted by row, then column; one cell per position; cells that
// hold no value (blank, formatted only) are left out.
struct Sheet {
    QString name;
    std::vector<Cell> cells;
};

// Reads cell values from a workbook: Excel 97-2003 (BIFF8 in an OLE2 compound file), Excel
// 2007 and later (.xlsx), OpenDocument (.ods), or comma- or tab-separated text (.csv, .txt). The
// format is told by the file's content; only text, which has no mark of its own, is known by its
// name. A text file has one sheet named after the file, which answers to any sheet name. The file
// is read into memory at once and closed; it is never written or locked. Everything read from
// the file is checked against the bytes that are there, so a damaged or hostile file ends in a
// refusal, never in a crash, a hang or an allocation the file's size does not justify.
class Workbook {
  public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Reads the file and its workbook globals (sheet names, shared strings, formats).
    Result openFile(const QString& path);
    // The same for the bytes of a file already in memory; fileName only names it in messages.
    Result openBytes(const QByteArray& bytes, const QString& fileName = QString());

    // Worksheet names in workbook order (chart and macro sheets are not listed).
    const QStringList& sheetNames() const { return sheetNames_; }
    // Index of the worksheet of that name, without regard to letter case; -1 when missing.
    int findSheet(const QString& name) const;
    // Reads the cells of a worksheet.
    Result readSheet(int index, Sheet& sheet);

    // The UTF-8 text of a Text cell.
    const QByteArray& text(std::uint32_t index) const { return strings_[index]; }
    // True when the workbook counts dates from 1904 instead of 1900.
    bool dateMode1904() const { return date1904_; }

    // Excel's text for an error code ("#DIV/0!", "#N/A", ...).
    static QString errorText(std::uint8_t code);

  private:
    struct SheetEntry {
        QString name;
        std::uint32_t offset = 0;
    };
    Result parseGlobals();
    Result adopt(Result read);
    Result corrupt() const;

    QString fileName_;
    std::vector<std::uint8_t> stream_;
    QStringList sheetNames_;
    std::vector<SheetEntry> sheets_;
    std::vector<QByteArray> strings_;  // the shared strings, then strings of cells read later
    std::size_t sharedCount_ = 0;
    std::vector<bool> xfIsDate_;
    bool date1904_ = false;
    std::unique_ptr<LoadedBook> book_;  // the sheets of a format read whole
    QByteArray textStorage_;            // bytes that texts refer to without a copy
    bool loaded_ = false;
    bool csv_ = false;
};

}  // namespace pellix::datasource
