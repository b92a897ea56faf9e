#pragma once

#include "platform/Result.h"

#include <QString>

namespace pellix::datasource {

// The database settings: workbook path, sheet name and head of the query.
struct DatabaseSettings {
    QString db;       // DB: full path of the workbook
    QString table;    // TABLE: the sheet, without brackets and "$"
    QString kensaku;  // KENSAKU: the select clause up to and including "from" (and its blank)

    // KENSAKU + "[" + TABLE + "$]", nothing trimmed or added.
    QString queryText() const { return kensaku + QLatin1Char('[') + table + QLatin1String("$]"); }

    // Reads the value record of the database settings file in the settings folder (two records
    // of three values, read one value after the other). A file with its header only fails.
    static Result read(DatabaseSettings& out);
    // Reads the file as a table, the columns found by name, as the settings dialog loads it.
    // Fails with a message naming the file when it is missing, unreadable, short or lacks a
    // column.
    static Result readTable(DatabaseSettings& out);
    // Rewrites the file whole with the values as the user entered them: KENSAKU gains the one
    // blank that separates "from" from the sheet in the query text. Nothing is trimmed or
    // checked; a line break within a value is stored as a blank, so the file keeps its two
    // records.
    static Result save(const DatabaseSettings& entered);
};

}  // namespace pellix::datasource
