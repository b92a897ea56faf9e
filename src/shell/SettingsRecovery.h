#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pellix::shell {

// A settings file that a recovery could not restore, and why (a Japanese text).
struct RecoveryFailure {
    QString file;
    QString reason;
};

// What one run of the settings recovery did.
struct RecoveryReport {
    QString defaultsDir;  // where the default files were looked for
    bool folderCreated = false;
    QStringList restored;           // settings files copied from the defaults
    QStringList backedUp;           // files kept as <name>.bak before being replaced
    QList<RecoveryFailure> failed;  // files that needed restoring and still do not read

    // True when every file that needed restoring was restored.
    bool ok() const { return failed.isEmpty(); }
    // What the main menu shows: the restart request when the run succeeded; otherwise which
    // files could not be restored, why, and where the default files were looked for, since a
    // restart would only run into the same failure.
    QString message() const;
};

// Repairs the settings folder from the default settings files. The folder is created when it is
// missing; a settings file is restored only when it is missing or does not hold the two records
// its readers need, so settings that read correctly are never lost. A file that is replaced is
// first kept as <name>.bak and is rewritten under its own name, whatever its letter case. A file
// that needs restoring fails when its default file is missing, when it cannot be moved aside or
// written, or when it still does not read afterwards.
RecoveryReport recoverSettings(const QString& defaultsDir);

// The message the main menu shows after a recovery that restored everything it had to.
inline const QString kRecoveryMessage =
    QStringLiteral("設定ファイルが初期化されました。ソフトを再起動してください。");

}  // namespace pellix::shell
