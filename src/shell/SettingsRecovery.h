#pragma once

#include <QString>
#include <QStringList>

namespace pellix::shell {

// What one run of the settings recovery did.
struct RecoveryReport {
    bool folderCreated = false;
    QStringList restored;   // settings files copied from the defaults
    QStringList backedUp;   // files kept as <name>.bak before being replaced
    QStringList skipped;    // default files missing from the defaults folder
    QStringList failed;     // files that could not be restored (with the reason)
};

// Repairs the settings folder from the default settings files. The folder is created when it is
// missing; a settings file is restored only when it is missing or does not hold the two records
// its readers need, so settings that read correctly are never lost. A file that is replaced is
// first kept as <name>.bak. A default file that is missing is skipped.
RecoveryReport recoverSettings(const QString& defaultsDir);

// The message the main menu shows after a recovery.
inline const QString kRecoveryMessage =
    QStringLiteral("設定ファイルが初期化されました。ソフトを再起動してください。");

}  // namespace pellix::shell
