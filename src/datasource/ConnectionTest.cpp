#include "datasource/ConnectionTest.h"

#include "datasource/RecordCount.h"

namespace pellix::datasource {

Result testConnection(const DatabaseSettings& entered, qint64& rows) {
    rows = 0;
    if (Result s = DatabaseSettings::save(entered); !s) return s;
    // The file, not the boxes, is what the record count window and the print job forms will
    // read; testing what was read back tests exactly that.
    DatabaseSettings stored;
    if (Result s = DatabaseSettings::read(stored); !s) return s;
    return countRecords(stored, rows);
}

}  // namespace pellix::datasource
