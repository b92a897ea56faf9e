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

}  // namespace pellix::datasource
