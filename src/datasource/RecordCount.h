#pragma once

#include "datasource/DatabaseSettings.h"
#include "platform/Result.h"

namespace pellix::datasource {

// The prompt and title of the record count window's failure box.
inline const QString kCountFailedPrompt =
    QStringLiteral("DBの設定が不正です。設定し直して下さい[設定]-[ﾃﾞｰﾀﾍﾞｰｽ]より設定できます。");
inline const QString kCountFailedTitle = QStringLiteral("ERROR");

// Opens the workbook of the settings, runs their query and counts its rows; the source is
// closed again before this returns.
Result countRecords(const DatabaseSettings& settings, qint64& rows);

}  // namespace pellix::datasource
