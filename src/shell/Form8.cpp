#include "shell/Form8.h"

#include "shell/Fonts.h"
#include "shell/WindowRegistry.h"

#include <QLabel>

namespace pellix::shell {

Form8::Form8(AppContext& ctx) : Window(ctx, Kind::Separate) {
    setWindowTitle(QStringLiteral("システム接続中>>>>>"));
    setClientTwips(5925, 2160);
    Label1 = new QLabel(
        QStringLiteral("ただいまシステムに接続中です。しばらくこのままでお待ちください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(namedFont(QString(), 18, true));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(twipsRect(240, 240, 5445, 1680));
}

WaitBracket::WaitBracket(WindowRegistry& windows) : windows_(windows) {
    if (Form8* w = windows_.show<Form8>()) {
        open_ = true;
        w->repaint();
    }
}

WaitBracket::~WaitBracket() {
    close();
}

Window* showWaiting(WindowRegistry& windows, const QString& name) {
    WaitBracket wait(windows);
    return windows.show(name);
}

void WaitBracket::close() {
    if (!open_) return;
    open_ = false;
    windows_.unload<Form8>();
}

}  // namespace pellix::shell
