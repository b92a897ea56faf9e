#include "printer/PrintPositions.h"

#include "settings/SettingsFile.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace pellix::printer {

namespace {

const QString& positionFile() {
    return settings::kPositionFile;
}

QString query(const QString& columns) {
    return QStringLiteral("Select %1 From %2").arg(columns, positionFile());
}

}  // namespace

Result PrintPositions::read(PrintPositions& out) {
    out = {};
    const QString folder = settings::folderPath();
    settings::TableRow row;
    if (Result s = settings::queryTable(folder, query(QStringLiteral("SIZE1,SIZE2,SIZE3")), row);
        !s)
        return s;
    for (int i = 0; i < 3; ++i) out.sizes[i] = row.values.value(i);

    if (Result s = settings::queryTable(folder, query(QStringLiteral("*")), row); !s) {
        out = {};
        return s;
    }
    for (const QString& name : settings::positionHeader()) {
        const auto value = row.value(name);
        if (!value) {
            out = {};
            return Result::failure(ErrorKind::SettingsRead,
                                   QStringLiteral("設定ファイル %1 に項目 %2 がありません。")
                                       .arg(settings::filePath(positionFile()), name));
        }
        out.values << *value;
    }
    return Result::success();
}

Result PrintPositions::save(const QStringList& values) {
    return settings::save(settings::filePath(positionFile()), settings::positionHeader(), values);
}

SliderPosition sliderPosition(const QString& stored) {
    bool ok = false;
    // Read as the label renderer reads the adjustments: a decimal point whatever the user's
    // regional settings, and "inf" or "nan" are no numbers.
    const double number = QLocale::c().toDouble(stored.trimmed(), &ok);
    if (!ok || !std::isfinite(number)) return {0, false};
    const double nearest =
        std::clamp(std::round(number), double(kAdjustmentMin), double(kAdjustmentMax));
    return {int(nearest), nearest == number};
}

}  // namespace pellix::printer
