#include "platform/Fonts.h"

namespace pellix::platform {

void installFontSubstitutions() {
    QFont::insertSubstitution(kGothic, QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(kPGothic, QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(kMincho, QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(kPMincho, QStringLiteral("IPAPMincho"));
}

QFont namedFont(const QString& face, double points, bool bold) {
    QFont f(face);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

}  // namespace pellix::platform
