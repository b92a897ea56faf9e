#pragma once

#include "datasource/DatabaseSettings.h"
#include "platform/Result.h"

namespace pellix::datasource {

// The connection test of the database settings dialog. Saves the entered values (they stay
// saved whatever the test finds), reads them back from the file as every user of the record
// source reads them, opens the workbook with their query and counts its rows; the source is
// closed again before this returns. A failure of any step comes back with its description.
Result testConnection(const DatabaseSettings& entered, qint64& rows);

// The verdicts of a test that got as far as a count, with the title of their boxes: a count of 0
// or more means the workbook and the query work; a negative count means the source could not
// count the rows of the query.
inline const QString kConnectedPrompt = QStringLiteral("接続できました");
inline const QString kQueryInvalidPrompt = QStringLiteral("接続できましたが、SQL構文が無効です。");
inline const QString kConnectionTestTitle = QStringLiteral("ステータス");
// Title of the box that shows the description of a failed test.
inline const QString kSettingsErrorTitle = QStringLiteral("設定エラー");

}  // namespace pellix::datasource
