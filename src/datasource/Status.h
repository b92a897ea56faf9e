#pragma once

#include <QString>

namespace pellix::datasource {

// What went wrong, for callers that act on the kind of failure; the description is for the user.
enum class ErrorKind {
    None,
    PathUnusable,   // the workbook path cannot be opened or read (missing, a folder, no
                    // permission, not a regular file, a read error); nothing else has this kind
    NotWorkbook,    // not an Excel 97-2003 workbook at all
    OldFormat,      // a workbook of Excel 95 or older
    Protected,      // a password-protected (encrypted) workbook
    Corrupt,        // damaged or truncated workbook
    Settings,       // the database settings file cannot be read
    SheetNotFound,  // the query names a sheet the workbook does not have
    UnknownColumn,  // the query names a column the sheet does not have
    Syntax,         // the query text is not valid SQL
    Refused,        // more than one statement, or anything but reading the sheet
    Interrupted,    // the query ran too long and was stopped
    NoRows,         // the query selects no rows
    QueryFailed,    // any other failure of the query engine
};

// Success, or failure with its kind and a Japanese description that says what went wrong.
struct Status {
    bool ok = true;
    ErrorKind kind = ErrorKind::None;
    QString description;

    explicit operator bool() const { return ok; }
    static Status success() { return {}; }
    static Status failure(ErrorKind kind, QString description) {
        return {false, kind, std::move(description)};
    }
};

}  // namespace pellix::datasource
