#include "printer/OutputSettings.h"

#include "settings/SettingsFile.h"

namespace pellix::printer {

Result readOutputSettings(OutputSettings& values) {
    settings::TableRow row;
    Result status = settings::queryTable(
        settings::folderPath(), QStringLiteral("Select * From %1").arg(settings::kOutputFile), row);
    if (!status) return status;
    const QStringList names = settings::outputHeader();
    OutputSettings read;
    QString* into[] = {&read.title1, &read.title2, &read.yoshi, &read.printer};
    for (int i = 0; i < 4; ++i) {
        const auto v = row.value(names[i]);
        if (!v)
            return Result::failure(ErrorKind::SettingsRead,
                                   QStringLiteral("設定ファイル %1 に項目 %2 がありません。")
                                       .arg(settings::filePath(settings::kOutputFile), names[i]));
        *into[i] = *v;
    }
    // The table gives a column without a value as empty text; a value record cut short is a
    // damaged file, not a row of empty settings, so the values are counted as well.
    QStringList counted;
    status = settings::readValueRecord(settings::filePath(settings::kOutputFile),
                                       int(row.columns.size()), counted);
    if (!status) return status;
    values = read;
    return Result::success();
}

Result writeOutputSettings(const OutputSettings& values) {
    return settings::save(settings::filePath(settings::kOutputFile), settings::outputHeader(),
                          {values.title1, values.title2, values.yoshi, values.printer});
}

}  // namespace pellix::printer
