#pragma once

#include <QFont>
#include <QString>

namespace pellix::platform {

// The Japanese faces the windows and labels name, mapped onto the IPA faces.
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kMincho = QStringLiteral("ＭＳ 明朝");
inline const QString kPMincho = QStringLiteral("ＭＳ Ｐ明朝");

// Registers the substitutions once per process.
void installFontSubstitutions();

// A font of the named face at a point size (fractions such as 9.75 kept), optionally bold.
QFont namedFont(const QString& face, double points, bool bold = false);

}  // namespace pellix::platform
