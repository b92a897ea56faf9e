#include "datasource/DatabaseSettings.h"

#include "settings/SettingsFile.h"

namespace pellix::datasource {

Status DatabaseSettings::read(DatabaseSettings& out) {
    out = {};
    QStringList values;
    const settings::Status s = settings::readValueRecord(
        settings::filePath(settings::kDatabaseFile), settings::kDatabaseFields, values);
    if (!s) return Status::failure(ErrorKind::Settings, s.message);
    out.db = values.value(0);
    out.table = values.value(1);
    out.kensaku = values.value(2);
    return Status::success();
}

Status DatabaseSettings::readTable(DatabaseSettings& out) {
    out = {};
    settings::TableRow row;
    const settings::Status s =
        settings::queryTable(settings::folderPath(),
                             QStringLiteral("Select * From %1").arg(settings::kDatabaseFile), row);
    if (!s) return Status::failure(ErrorKind::Settings, s.message);
    QString* targets[] = {&out.db, &out.table, &out.kensaku};
    const QStringList names = settings::databaseHeader();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto value = row.value(names[i]);
        if (!value) {
            out = {};
            return Status::failure(ErrorKind::Settings,
                                   QStringLiteral("設定ファイル %1 に項目 %2 がありません。")
                                       .arg(settings::filePath(settings::kDatabaseFile), names[i]));
        }
        *targets[i] = *value;
    }
    return Status::success();
}

Status DatabaseSettings::save(const DatabaseSettings& entered) {
    const settings::Status s =
        settings::save(settings::filePath(settings::kDatabaseFile), settings::databaseHeader(),
                       {entered.db, entered.table, entered.kensaku + QLatin1Char(' ')});
    if (!s) return Status::failure(ErrorKind::Settings, s.message);
    return Status::success();
}

}  // namespace pellix::datasource
