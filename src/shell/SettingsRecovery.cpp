#include "shell/SettingsRecovery.h"

#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (!QFileInfo(path).isFile()) return false;
    if (fields == 0) return true;
    QStringList values;
    return bool(settings::readValueRecord(path, fields, values));
}

// Copies `from` onto `to` through settings::writeAtomically(), so the target is never seen
// half-written.
Result copyAtomically(const QString& from, const QString& to) {
    QFile in(from);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly)) bytes = in.readAll();
    if (!in.isOpen() || in.error() != QFileDevice::NoError)
        return Result::failure(
            ErrorKind::SettingsRead,
            QStringLiteral("初期設定ファイル %1 を読めません（%2）").arg(from, in.errorString()));
    return settings::writeAtomically(to, bytes);
}

}  // namespace

QString RecoveryReport::message() const {
    if (ok()) return kRecoveryMessage;
    // One line per reason, naming every file that failed for it.
    QStringList reasons;
    QList<QStringList> files;
    for (const RecoveryFailure& f : failed) {
        qsizetype i = reasons.indexOf(f.reason);
        if (i < 0) {
            i = reasons.size();
            reasons << f.reason;
            files << QStringList();
        }
        files[i] << f.file;
    }
    QStringList lines;
    for (qsizetype i = 0; i < reasons.size(); ++i)
        lines << QStringLiteral("%1: %2").arg(files[i].join(QStringLiteral("、")), reasons[i]);
    return QStringLiteral("設定ファイルを復元できませんでした。\n%1\n初期設定ファイルの場所: %2")
        .arg(lines.join(QLatin1Char('\n')), QDir::toNativeSeparators(defaultsDir));
}

RecoveryReport recoverSettings(const QString& defaultsDir) {
    RecoveryReport report;
    report.defaultsDir = defaultsDir;
    const QString folder = settings::folderPath();
    QString folderFailure;
    if (!QFileInfo(folder).isDir()) {
        report.folderCreated = QDir().mkpath(folder);
        if (!report.folderCreated)
            folderFailure = QStringLiteral("設定フォルダ %1 を作成できません").arg(folder);
    }
    const QStringList files{settings::kGeneralFile, settings::kDatabaseFile, settings::kOutputFile,
                            settings::kPositionFile};
    for (const QString& name : files) {
        const QString target = settings::filePath(name);
        const int fields = fieldsOf(name);
        if (readable(target, fields)) continue;
        auto fail = [&](const QString& reason) { report.failed << RecoveryFailure{name, reason}; };
        if (!folderFailure.isEmpty()) {
            fail(folderFailure);
            continue;
        }
        const QString source = defaultsDir + QLatin1Char('/') + name;
        if (!QFileInfo(source).isFile()) {
            fail(QStringLiteral("初期設定ファイルがありません"));
            continue;
        }
        const QFileInfo targetInfo(target);
        if (targetInfo.exists() || targetInfo.isSymLink()) {
            const QString backup = target + QStringLiteral(".bak");
            // An old backup that cannot go makes the rename below fail, which is reported.
            (void)QFile::remove(backup);
            if (!QFile::rename(target, backup)) {
                fail(QStringLiteral("壊れたファイルを %1 に退避できません").arg(backup));
                continue;
            }
            report.backedUp << name;
        }
        if (const Result copied = copyAtomically(source, target); !copied) {
            fail(copied.message);
            continue;
        }
        if (!readable(target, fields)) {
            fail(QStringLiteral("初期設定ファイル %1 の内容を読み込めません").arg(source));
            continue;
        }
        report.restored << name;
    }
    return report;
}

}  // namespace pellix::shell
