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
};

}  // namespace pellix::datasource
