#pragma once

#include <QString>
#include <QtGlobal>
#include <utility>

namespace pellix {

// What went wrong, for callers that act on the kind of failure.
enum class ErrorKind {
    None,
    // Settings files.
    SettingsRead,   // a settings file cannot be opened or decoded, or lacks a value it must hold
    SettingsWrite,  // a settings file cannot be written (or holds a character CP932 cannot)
    // The worksheet record source.
    PathUnusable,   // the workbook path cannot be opened or read (missing, a folder, no
                    // permission, not a regular file, a read error); nothing else has this kind
    NotWorkbook,    // not a workbook of a format the program reads (.xls, .xlsx, .ods, CSV)
    OldFormat,      // a workbook of Excel 95 or older
    Protected,      // a password-protected (encrypted) workbook
    Corrupt,        // damaged or truncated workbook
    SheetNotFound,  // the query names a sheet the workbook does not have
    UnknownColumn,  // the query names a column the sheet does not have
    Syntax,         // the query text is not valid SQL
    Refused,        // more than one statement, or anything but reading the sheet
    Interrupted,    // the query ran too long and was stopped
    NoRows,         // the query selects no rows
    QueryFailed,    // any other failure of the query engine
    // The printer binding.
    PrinterUnknown,  // the application printer cannot report its name or a setting
    // The label renderer.
    LoadRefused,     // a window whose fields the label is made of could not be loaded
    NotANumber,      // a field that must hold a number does not
    FontTooSmall,    // the base font is too small to measure a line
    DocumentFailed,  // a print document could not be started, continued or handed over
};

// Success, or a failure with its kind and the Japanese message a window shows. Callers branch on
// the kind, never on the message. A result must be looked at: dropping one is a compiler warning,
// and a call that ignores a failure on purpose says why and casts the result to void.
struct [[nodiscard]] Result {
    ErrorKind kind = ErrorKind::None;
    QString message;

    bool ok() const { return kind == ErrorKind::None; }
    explicit operator bool() const { return ok(); }

    static Result success() { return {}; }
    static Result failure(ErrorKind kind, QString message) {
        Q_ASSERT(kind != ErrorKind::None);
        return {kind, std::move(message)};
    }
};

}  // namespace pellix
