#include "shell/SettingsRecovery.h"

#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pellix::shell {
namespace {

// Number of values per record the readers of each file need; 0 for the file nothing reads.
int fieldsOf(const QString& name) {
    if (name == settings::kDatabaseFile) return settings::kDatabaseFields;
    if (name == settings::kOutputFile) return settings::kOutputFields;
    if (name == settings::kPositionFile) return settings::kPositionFields;
    return 0;
}

bool readable(const QString& path, int fields) {
    if (!QFileInfo::exists(path)) return false;
    if (fields == 0) return true;
    QStringList values;
    return bool(settings::readValueRecord(path, fields, values));
}

// Copies through a temporary file in the target's folder and a rename, so the target is never
// seen half-written.
Result copyAtomically(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return Result::failure(ErrorKind::SettingsRead, in.errorString());
    QSaveFile out(to);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return Result::failure(ErrorKind::SettingsWrite, out.errorString());
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size() || !out.commit())
        return Result::failure(ErrorKind::SettingsWrite, out.errorString());
    return Result::success();
}

}  // namespace

RecoveryReport recoverSettings(const QString& defaultsDir) {
    RecoveryReport report;
    const QString folder = settings::folderPath();
    if (!QFileInfo(folder).isDir()) report.folderCreated = QDir().mkpath(folder);
    const QStringList files{settings::kGeneralFile, settings::kDatabaseFile, settings::kOutputFile,
                            settings::kPositionFile};
    for (const QString& name : files) {
        const QString source = defaultsDir + QLatin1Char('/') + name;
        const QString target = settings::filePath(name);
        if (!QFileInfo::exists(source)) {
            report.skipped << name;
            continue;
        }
        if (readable(target, fieldsOf(name))) continue;
        if (QFileInfo::exists(target)) {
            const QString backup = target + QStringLiteral(".bak");
            // An old backup that cannot go makes the rename below fail, which is reported.
            (void)QFile::remove(backup);
            if (!QFile::rename(target, backup)) {
                report.failed << name;
                continue;
            }
            report.backedUp << name;
        }
        if (const Result copied = copyAtomically(source, target))
            report.restored << name;
        else
            report.failed << QStringLiteral("%1 (%2)").arg(name, copied.message);
    }
    return report;
}

}  // namespace pellix::shell
