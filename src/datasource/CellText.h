#pragma once

#include <QString>

namespace pellix::datasource {

// A number as the user reading the sheet expects it: a whole number with all its digits and no
// decimal point or exponent (4901234567894, not 4.90123456789e+12), any other number with up to
// 15 significant digits.
QString numberText(double value);

// A whole number that fits a 64-bit integer exactly, so that it can be stored as one.
bool wholeInteger(double value, qint64& out);

// A date serial number of the workbook (days since 1899-12-31, or since 1904-01-01 in the 1904
// date mode) in the user's short date form; the time of day follows when there is one, and a
// time alone (day 0) shows as the time only. Null for a number that is no date (negative, Excel's
// non-existent 1900-02-29, beyond the year 9999).
QString dateText(double serial, bool mode1904);

// The texts of a Boolean cell, as query results, the preview grid and the labels show them.
inline const QString kTrueText = QStringLiteral("TRUE");
inline const QString kFalseText = QStringLiteral("FALSE");

}  // namespace pellix::datasource
