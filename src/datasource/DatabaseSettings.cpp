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

}  // namespace pellix::datasource
