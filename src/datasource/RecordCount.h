#pragma once

#include "datasource/DatabaseSettings.h"
#include "platform/Result.h"

namespace pellix::shell {
class WindowRegistry;
}

namespace pellix::datasource {

// The prompt and title of the record count window's failure box.
inline const QString kCountFailedPrompt =
    QStringLiteral("DBの設定が不正です。設定し直して下さい[設定]-[ﾃﾞｰﾀﾍﾞｰｽ]より設定できます。");
inline const QString kCountFailedTitle = QStringLiteral("ERROR");

// Opens the workbook of the settings, runs their query and counts its rows; the source is
// closed again before this returns.
Result countRecords(const DatabaseSettings& settings, qint64& rows);

// The main menu's "Excel接続　==>　件数表示": shows the record count window between the wait
// window's show and close. False when the window did not open (its load failed and reported it);
// no wait window remains either way.
bool showRecordCount(shell::WindowRegistry& windows);

}  // namespace pellix::datasource
