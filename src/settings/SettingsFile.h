#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellix::settings {

// The settings files, by name, in the settings folder.
inline const QString kGeneralFile = QStringLiteral("pimraconfig.txt");
inline const QString kDatabaseFile = QStringLiteral("pimraconfig2.txt");
inline const QString kOutputFile = QStringLiteral("pimraconfig4.txt");
inline const QString kPositionFile = QStringLiteral("pimraconfig5.txt");

// Number of fields per record of each file that has readers.
inline constexpr int kDatabaseFields = 3;
inline constexpr int kOutputFields = 4;
inline constexpr int kPositionFields = 99;

// The layout marker stored as TITLE2, and the text the main menu shows for it.
inline const QString kC5255Marker = QStringLiteral("ｶｽﾀﾏｲｽﾞ5255使用中");
inline const QString kC5255Running = QStringLiteral("ﾌﾟﾛｸﾞﾗﾑC5255動作中");

// $XDG_CONFIG_HOME/qrv_ini4, or ~/.config/qrv_ini4 when XDG_CONFIG_HOME is unset; no trailing
// slash. Read anew at every call, so that a test can point it elsewhere.
QString folderPath();
// Path of a settings file in the settings folder. Windows spellings of the folder
// ("C:\qrv_ini4\pimraconfig2.txt", any letter case) map to the same file, and the file name
// is found as fileIn() finds it.
QString filePath(const QString& name);
// Path of the file `name` in `folder`. Names match without regard to letter case, since settings
// folders are copied from systems that spell them in capitals: an existing file whose name
// differs only in case is that file (an exact spelling wins over others), so readers find it and
// a save rewrites it under its own name. When there is none, the path ends in `name` as given.
QString fileIn(const QString& folder, const QString& name);

// Header names of the files.
QStringList databaseHeader();
QStringList outputHeader();
QStringList positionHeader();

// The bytes of one record: every field in double quotes, separated by commas, CR LF at the end,
// in code page 932. A double quote inside a value is doubled; a line break becomes a space.
// Fails for a character that code page 932 cannot hold.
std::optional<QByteArray> encodeRecord(const QStringList& fields);

// Replaces the file whole with the header record and the value record, as writeAtomically()
// does. The folder must exist.
Result save(const QString& path, const QStringList& header, const QStringList& values);

// Replaces the file whole with `bytes`. The write goes to a temporary file in the same folder that
// is flushed, synced and renamed over the old file, so the file is always either the old one or
// the new one, and a failed write or sync leaves the old file and no temporary file. The folder
// must exist.
Result writeAtomically(const QString& path, const QByteArray& bytes);

// Reads a file value by value: values are separated by commas and line ends alike, a value in
// double quotes runs to the closing quote (a doubled quote stands for one quote), blanks before
// a value are skipped, and reading past the end fails.
class SequentialReader {
  public:
    // Opens and reads the whole file; false when it cannot be opened or decoded.
    bool open(const QString& path);
    // Reads values from a text already in memory.
    void openText(const QString& text);
    bool isOpen() const { return open_; }
    // Reads targets.size() consecutive values, storing each into its target as soon as it is
    // read; fails (leaving the earlier targets filled) when the file is not open or ends first.
    bool read(const QList<QString*>& targets);
    // Reads n values into a list.
    bool read(int n, QStringList& values);
    void close();

  private:
    bool readValue(QString& value);
    QString text_;
    qsizetype pos_ = 0;
    bool open_ = false;
};

// Reads the value record of a file of n fields per record (the header record passes first).
Result readValueRecord(const QString& path, int n, QStringList& values);

// One settings file opened as a table: the header record gives the column names, the value
// record is the only row.
struct TableRow {
    QStringList columns;
    QStringList values;
    // The value of a column, found by name without regard to letter case.
    std::optional<QString> value(const QString& column) const;
};

// Answers a query of the form "Select * From <file>" or "Select A,B From <file>" over a file of
// the given folder. Fails with a message that names the file when the file is missing or
// unreadable, has no value row or a value row with fewer values than the header has names, or
// lacks a named column.
Result queryTable(const QString& folder, const QString& query, TableRow& row);

}  // namespace pellix::settings
