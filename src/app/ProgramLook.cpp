#include "app/ProgramLook.h"

#include "info/ProgramIcon.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

namespace pellix::app {

void applyProgramLook() {
    platform::installFontSubstitutions();
    QApplication::setFont(platform::namedFont(platform::kPGothic, 9));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(info::programIcon(size)));
    QApplication::setWindowIcon(icon);
}

}  // namespace pellix::app
