#include "datasource/RecordCount.h"

#include "datasource/RecordSource.h"

namespace pellix::datasource {

Result countRecords(const DatabaseSettings& settings, qint64& rows) {
    rows = 0;
    RecordSource source;
    if (Result s = source.open(settings.db, settings.queryText()); !s) return s;
    return source.count(rows);
}

}  // namespace pellix::datasource
