#include "datasource/CellText.h"

#include "platform/Regional.h"

#include <QDate>
#include <QTime>
#include <cmath>
#include <cstdio>

namespace pellix::datasource {

bool wholeInteger(double value, qint64& out) {
    // 2^63 is exact as a double; anything below it converts without overflow.
    if (!std::isfinite(value) || value != std::floor(value) || value >= 9223372036854775808.0 ||
        value < -9223372036854775808.0)
        return false;
    out = qint64(value);
    return true;
}

QString numberText(double value) {
    if (!std::isfinite(value)) return QStringLiteral("#NUM!");
    qint64 whole = 0;
    if (wholeInteger(value, whole)) return QString::number(whole);
    if (value == std::floor(value)) {
        // Too large for an integer: its 15 significant digits, then zeros, without an exponent.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
        QString digits;
        const char* p = buf;
        for (; *p && *p != 'e'; ++p)
            if (*p != '.') digits.append(QLatin1Char(*p));
        const int exponent = std::atoi(p + 1);
        while (digits.size() < exponent + 1) digits.append(QLatin1Char('0'));
        digits.truncate(exponent + 1);
        return value < 0 ? QLatin1Char('-') + digits : digits;
    }
    return QString::number(value, 'g', 15);
}

QString dateText(double serial, bool mode1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0) return {};
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const QLocale locale = platform::regionalLocale();
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (time.second() != 0 && !timeFormat.contains(QLatin1Char('s')))
        timeFormat.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    const QString timeText = locale.toString(time, timeFormat);

    QDate date;
    if (mode1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        if (days == 0) return timeText;  // a time of day without a date
        if (days == 60) return {};       // 1900-02-29, a day that never was
        date = days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    }
    if (!date.isValid() || date.year() > 9999) return {};
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    if (seconds == 0) return dateText;
    return dateText + QLatin1Char(' ') + timeText;
}

}  // namespace pellix::datasource
