#pragma once

// The worksheet as a record source: a sheet of a workbook (.xls, .xlsx, .ods or separated text;
// see Workbook) is loaded into an in-memory SQL table named "<sheet>$" whose column names are
// the sheet's first row, and the query text of the database settings runs over it as SQL.
//
// The sheet's cells stay where the reader put them: the table is a read-only virtual table over
// them, so loading costs no copy.
//
// The engine runs exactly one read-only SELECT over the loaded sheets. The database lives in
// memory only; the engine refuses a second statement, ATTACH, PRAGMA, every write and extension
// loading, and stops a query that runs away. The workbook is read into memory and closed before
// the query runs; it is never written or locked.
//
// Values as text: empty cells (and cells holding an empty text) are no value; whole numbers are
// stored as integers and read without decimal point or exponent; other numbers read with up to
// 15 significant digits; dates in the user's short date form; Booleans "TRUE" / "FALSE"; error
// cells as Excel shows them ("#DIV/0!"); text unchanged. A row whose cells are all empty is not a
// record.
//
// A workbook path that cannot be opened or read (empty, no such file, a folder, something other
// than a regular file, no permission to read, a read error) fails with the kind
// ErrorKind::PathUnusable, and no other failure has that kind: the partial print job form
// recognises the case by that kind and tells the user that the path of the database or of the
// file to read is invalid. The message names the path and the reason.

#include "platform/Result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

namespace pellix::datasource {

class Workbook;

// A value as text; no value (std::nullopt) for an empty cell.
using Field = std::optional<QString>;

// The first four result columns of a row, by position. A query with fewer columns leaves the
// missing fields without value.
struct Record {
    std::array<Field, 4> fields;
    const Field& barcode() const { return fields[0]; }
    const Field& itemName() const { return fields[1]; }
    const Field& name() const { return fields[2]; }
    const Field& price() const { return fields[3]; }
};

// Every result column of every row, for a grid.
struct ResultTable {
    QStringList columns;
    QList<QList<Field>> rows;
};

class RecordSource {
  public:
    struct Options {
        // A query that takes longer than this is stopped.
        int timeLimitMs = 20000;
    };

    RecordSource();
    ~RecordSource();
    RecordSource(const RecordSource&) = delete;
    RecordSource& operator=(const RecordSource&) = delete;

    // Opens the workbook at path, loads the sheets the query names and runs the query; on
    // success the source stands on the first row (or at the end when there is none).
    Result open(const QString& path, const QString& queryText);
    Result open(const QString& path, const QString& queryText, const Options& options);
    // The same over a workbook already read; the source keeps it while it is open.
    Result open(std::shared_ptr<Workbook> workbook, const QString& queryText);
    Result open(std::shared_ptr<Workbook> workbook, const QString& queryText,
                const Options& options);
    bool isOpen() const;
    void close();

    // Names of the result columns.
    QStringList columnNames() const;
    int columnCount() const;

    // Counts the rows of the result, then stands on the first row again. An empty result fails.
    Result count(qint64& rows);

    // Forward pass: back to the first row; at the end; the next row.
    Result rewind();
    bool atEnd() const;
    Result moveNext();
    // The current row's value of a result column (0-based), or its record.
    Field value(int column) const;
    Record record() const;

    // Every row from the first, for a grid; stands on the first row afterwards.
    Result readAll(ResultTable& table);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace pellix::datasource
