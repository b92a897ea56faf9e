#include "printing/windows/F_CustInput.h"

#include "platform/Fonts.h"

#include <QLabel>
#include <QLineEdit>

namespace pellix::printing {

F_CustInput::F_CustInput(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("Pellix　for Excel"));
    setClientTwips(7500, 5850);
    // The form's own font, which the work fields inherit; Text1's is the labels' base font.
    setFont(platform::namedFont(platform::kPGothic, 9));

    auto hidden = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->hide();
        return t;
    };
    Text1 = hidden("Text1");
    Text2 = hidden("Text2");
    Text3 = hidden("Text3");
    Text4 = hidden("Text4");
    Text5 = hidden("Text5");
    Text8 = hidden("Text8");
    Textsize1 = hidden("Textsize1");
    Textsize2 = hidden("Textsize2");
    Textsize3 = hidden("Textsize3");
    Label_PP = new QLabel(this);
    Label_PP->setObjectName(QStringLiteral("Label_PP"));
    Label_PP->hide();
}

}  // namespace pellix::printing
