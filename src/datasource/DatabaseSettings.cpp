#include "datasource/DatabaseSettings.h"

#include "settings/SettingsFile.h"

namespace pellix::datasource {

Result DatabaseSettings::read(DatabaseSettings& out) {
    out = {};
    QStringList values;
    if (Result s = settings::readValueRecord(settings::filePath(settings::kDatabaseFile),
                                             settings::kDatabaseFields, values);
        !s)
        return s;
    out.db = values.value(0);
    out.table = values.value(1);
    out.kensaku = values.value(2);
    return Result::success();
}

Result DatabaseSettings::readTable(DatabaseSettings& out) {
    out = {};
    settings::TableRow row;
    if (Result s = settings::queryTable(
            settings::folderPath(), QStringLiteral("Select * From %1").arg(settings::kDatabaseFile),
            row);
        !s)
        return s;
    QString* targets[] = {&out.db, &out.table, &out.kensaku};
    const QStringList names = settings::databaseHeader();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto value = row.value(names[i]);
        if (!value) {
            out = {};
            return Result::failure(ErrorKind::SettingsRead,
                                   QStringLiteral("設定ファイル %1 に項目 %2 がありません。")
                                       .arg(settings::filePath(settings::kDatabaseFile), names[i]));
        }
        *targets[i] = *value;
    }
    return Result::success();
}

Result DatabaseSettings::save(const DatabaseSettings& entered) {
    return settings::save(settings::filePath(settings::kDatabaseFile), settings::databaseHeader(),
                          {entered.db, entered.table, entered.kensaku + QLatin1Char(' ')});
}

}  // namespace pellix::datasource
