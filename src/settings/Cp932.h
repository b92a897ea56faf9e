#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace pellix::settings {

// Shift-JIS as Windows writes it (code page 932: byte 0x5C is the backslash), through iconv.
// Both return nothing when the input holds bytes or characters the code page lacks.
std::optional<QByteArray> toCp932(const QString& text);
std::optional<QString> fromCp932(const QByteArray& bytes);

}  // namespace pellix::settings
