#include "settings/SettingsFile.h"

#include "settings/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>

#include <unistd.h>

namespace pellix::settings {

QString folderPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/qrv_ini4");
}

QString filePath(const QString& name) {
    static const QRegularExpression windowsFolder(QStringLiteral(R"(^[A-Za-z]:\\qrv_ini4\\(.*)$)"),
                                                  QRegularExpression::CaseInsensitiveOption);
    const auto m = windowsFolder.match(name);
    const QString rest = m.hasMatch() ? m.captured(1) : name;
    return fileIn(folderPath(), rest);
}

QString fileIn(const QString& folder, const QString& name) {
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact) || name.contains(QLatin1Char('/'))) return exact;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return folder + QLatin1Char('/') + entry;
    return exact;
}

QStringList databaseHeader() {
    return {QStringLiteral("DB"), QStringLiteral("TABLE"), QStringLiteral("KENSAKU")};
}

QStringList outputHeader() {
    return {QStringLiteral("TITLE1"), QStringLiteral("TITLE2"), QStringLiteral("YOSHI"),
            QStringLiteral("PRINTER")};
}

QStringList positionHeader() {
    QStringList h{QStringLiteral("DB1"),   QStringLiteral("DB2"),   QStringLiteral("SIZE1"),
                  QStringLiteral("SIZE2"), QStringLiteral("SIZE3"), QStringLiteral("D1")};
    for (int i = 2; i <= 90; ++i) h << QString::number(i);
    h << QStringLiteral("NA") << QStringLiteral("YU") << QStringLiteral("JYU")
      << QStringLiteral("TEL");
    return h;
}

std::optional<QByteArray> encodeRecord(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QString v = fields[i];
        // A line break inside a value would split the record; the readers count values, so it
        // is stored as a space.
        v.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        v.replace(QLatin1Char('\r'), QLatin1Char(' '));
        v.replace(QLatin1Char('\n'), QLatin1Char(' '));
        v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        if (i) line += QLatin1Char(',');
        line += QLatin1Char('"') + v + QLatin1Char('"');
    }
    line += QStringLiteral("\r\n");
    return toCp932(line);
}

Result save(const QString& path, const QStringList& header, const QStringList& values) {
    const auto head = encodeRecord(header);
    const auto body = encodeRecord(values);
    if (!head || !body)
        return Result::failure(
            ErrorKind::SettingsWrite,
            QStringLiteral("設定値にShift-JISで保存できない文字が含まれています。(%1)").arg(path));
    return writeAtomically(path, *head + *body);
}

Result writeAtomically(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.dir().exists())
        return Result::failure(
            ErrorKind::SettingsWrite,
            QStringLiteral("設定フォルダ %1 がありません。").arg(info.absolutePath()));
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(
            ErrorKind::SettingsWrite,
            QStringLiteral("設定ファイル %1 を書き込めません。(%2)").arg(path, file.errorString()));
    // QSaveFile::commit() does not look at the result of the last flush of its buffer, and would
    // rename a cut-off file over the old one when that flush fails (disk full, size limit). So the
    // buffer is flushed and the file synced here, where a failure can still cancel the save.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        // The system's own reason says more than the device's, which is often "Unknown error".
        const QString error = errno ? qt_error_string(errno) : file.errorString();
        file.cancelWriting();
        return Result::failure(
            ErrorKind::SettingsWrite,
            QStringLiteral("設定ファイル %1 を書き込めません。(%2)").arg(path, error));
    }
    if (!file.commit())
        return Result::failure(
            ErrorKind::SettingsWrite,
            QStringLiteral("設定ファイル %1 を保存できません。(%2)").arg(path, file.errorString()));
    return Result::success();
}

bool SequentialReader::open(const QString& path) {
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    const auto text = fromCp932(bytes);
    if (!text) return false;
    openText(*text);
    return true;
}

void SequentialReader::openText(const QString& text) {
    text_ = text;
    pos_ = 0;
    open_ = true;
}

void SequentialReader::close() {
    open_ = false;
    text_.clear();
    pos_ = 0;
}

bool SequentialReader::readValue(QString& value) {
    const qsizetype n = text_.size();
    while (pos_ < n && (text_[pos_] == QLatin1Char(' ') || text_[pos_] == QLatin1Char('\t')))
        ++pos_;
    if (pos_ >= n) return false;
    value.clear();
    auto isEnd = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    };
    if (text_[pos_] == QLatin1Char('"')) {
        ++pos_;
        while (true) {
            const qsizetype q = text_.indexOf(QLatin1Char('"'), pos_);
            if (q < 0) {  // no closing quote: the value runs to the end of the file
                value += QStringView(text_).mid(pos_);
                pos_ = n;
                break;
            }
            value += QStringView(text_).mid(pos_, q - pos_);
            pos_ = q + 1;
            if (pos_ < n && text_[pos_] == QLatin1Char('"')) {  // a doubled quote
                value += QLatin1Char('"');
                ++pos_;
                continue;
            }
            break;
        }
        while (pos_ < n && !isEnd(text_[pos_])) ++pos_;  // anything up to the separator
    } else {
        const qsizetype start = pos_;
        while (pos_ < n && !isEnd(text_[pos_])) ++pos_;
        value = text_.mid(start, pos_ - start);
        while (!value.isEmpty() &&
               (value.back() == QLatin1Char(' ') || value.back() == QLatin1Char('\t')))
            value.chop(1);
    }
    if (pos_ < n) {
        if (text_[pos_] == QLatin1Char(',')) {
            ++pos_;
        } else if (text_[pos_] == QLatin1Char('\r')) {
            ++pos_;
            if (pos_ < n && text_[pos_] == QLatin1Char('\n')) ++pos_;
        } else if (text_[pos_] == QLatin1Char('\n')) {
            ++pos_;
        }
    }
    return true;
}

bool SequentialReader::read(const QList<QString*>& targets) {
    if (!open_) return false;
    for (QString* t : targets) {
        QString v;
        if (!readValue(v)) return false;
        if (t) *t = v;
    }
    return true;
}

bool SequentialReader::read(int n, QStringList& values) {
    values.clear();
    if (!open_) return false;
    for (int i = 0; i < n; ++i) {
        QString v;
        if (!readValue(v)) return false;
        values << v;
    }
    return true;
}

Result readValueRecord(const QString& path, int n, QStringList& values) {
    SequentialReader reader;
    if (!reader.open(path))
        return Result::failure(ErrorKind::SettingsRead,
                               QStringLiteral("設定ファイル %1 を開けません。").arg(path));
    QStringList header;
    if (!reader.read(n, header) || !reader.read(n, values))
        return Result::failure(
            ErrorKind::SettingsRead,
            QStringLiteral("設定ファイル %1 の内容が足りません。(%2項目の2行が必要です)")
                .arg(path)
                .arg(n));
    return Result::success();
}

namespace {

// The values of one line, read with the same rules as the sequential reader.
QStringList lineValues(const QString& line) {
    SequentialReader reader;
    reader.openText(line);
    QStringList out;
    QString v;
    while (reader.read({&v})) out << v;
    return out;
}

}  // namespace

std::optional<QString> TableRow::value(const QString& column) const {
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i < values.size() ? values[i] : QString();
    return std::nullopt;
}

Result queryTable(const QString& folder, const QString& query, TableRow& row) {
    row = {};
    static const QRegularExpression form(QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+(\S+)\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(query);
    if (!m.hasMatch())
        return Result::failure(ErrorKind::SettingsRead,
                               QStringLiteral("設定ファイルの問い合わせが不正です: %1").arg(query));
    const QString path = fileIn(folder, m.captured(2));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(ErrorKind::SettingsRead,
                               QStringLiteral("設定ファイル %1 が開けません。").arg(path));
    const auto text = fromCp932(file.readAll());
    if (!text)
        return Result::failure(
            ErrorKind::SettingsRead,
            QStringLiteral("設定ファイル %1 の文字コードがShift-JISではありません。").arg(path));
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text->split(lineEnd);
    if (lines.size() < 2 || lines[1].trimmed().isEmpty())
        return Result::failure(ErrorKind::SettingsRead,
                               QStringLiteral("設定ファイル %1 に値の行がありません。").arg(path));
    TableRow all{lineValues(lines[0]), lineValues(lines[1])};
    // Readers take every column of the row as its value; a row cut short would hand them empty
    // texts in place of the values that are missing.
    if (all.values.size() < all.columns.size())
        return Result::failure(
            ErrorKind::SettingsRead,
            QStringLiteral("設定ファイル %1 の値の行が途中で切れています。(%2項目のうち%3項目)")
                .arg(path)
                .arg(all.columns.size())
                .arg(all.values.size()));
    const QString list = m.captured(1).trimmed();
    if (list == QLatin1String("*")) {
        row = all;
        return Result::success();
    }
    for (const QString& raw : list.split(QLatin1Char(','))) {
        const QString name = raw.trimmed();
        const auto v = all.value(name);
        if (!v)
            return Result::failure(
                ErrorKind::SettingsRead,
                QStringLiteral("設定ファイル %1 に項目 %2 がありません。").arg(path, name));
        row.columns << name;
        row.values << *v;
    }
    return Result::success();
}

}  // namespace pellix::settings
