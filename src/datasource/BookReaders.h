#pragma once

// The readers of the workbook formats other than Excel 97-2003: Office Open XML (.xlsx) and
// OpenDocument (.ods) spreadsheets, and comma- or tab-separated text. Each reads the whole file
// at once into the sheets of a LoadedBook; Workbook serves them as it serves a .xls.

#include "datasource/Workbook.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace pellix::datasource {

// Every worksheet of a file, read whole.
struct LoadedBook {
    QStringList names;
    std::vector<Sheet> sheets;
    std::vector<QByteArray> strings;  // the texts that Text cells point at
    QByteArray storage;               // bytes that texts of strings refer to without a copy
    bool date1904 = false;
};

// Whether the bytes start like a ZIP container, as .xlsx and .ods files do.
bool looksLikeZip(const QByteArray& bytes);

// Reads an .xlsx or .ods file (told apart by the parts the container holds). Fails with
// ErrorKind::NotWorkbook for a container of neither kind, ErrorKind::Corrupt for a damaged one.
Result readPackage(const QByteArray& bytes, const QString& fileName, LoadedBook& book);

// Reads separated text: the file's base name names its one sheet.
Result readCsv(const QByteArray& bytes, const QString& fileName, LoadedBook& book);

// Whether a file name names separated text (.csv, .txt, in any letter case).
bool isTextTableName(const QString& fileName);

// Whether a number format code shows dates or times, and whether a built-in format does.
bool formatShowsDate(QStringView code);
bool builtInDateFormat(int id);

// Puts cells in row, then column order (sorting only when they are not), keeping the last of
// several cells written at one position.
void inPositionOrder(std::vector<Cell>& cells);

// The message for a file that is none of the formats read.
Result notAWorkbook(const QString& fileName);

}  // namespace pellix::datasource
