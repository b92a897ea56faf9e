#include "shell/windowing/Form8.h"

#include "platform/Fonts.h"
#include "shell/windowing/WindowRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QWindow>

namespace pellix::shell {

Form8::Form8(AppContext& ctx) : Window(ctx, Kind::Separate) {
    setWindowTitle(QStringLiteral("システム接続中>>>>>"));
    setClientTwips(5925, 2160);
    Label1 = new QLabel(
        QStringLiteral("ただいまシステムに接続中です。しばらくこのままでお待ちください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFont(platform::namedFont(QString(), 18, true));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(twipsRect(240, 240, 5445, 1680));
}

namespace {

// How long the wait window may take to appear before the work starts regardless.
constexpr int kExposeWaitMs = 1000;

// Shown is not yet seen: the window system maps the window and sends its expose event later, and
// a window that is not exposed paints nothing. The slow work that follows blocks the GUI thread,
// so the window's expose and paint events are processed here first (user input stays queued),
// then the window is painted at once.
void paintBeforeWork(QWidget* window) {
    QElapsedTimer clock;
    clock.start();
    const QWindow* handle = window->windowHandle();
    while (handle && !handle->isExposed() && clock.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!handle->isExposed()) QThread::msleep(1);
    }
    window->repaint();
}

}  // namespace

WaitBracket::WaitBracket(WindowRegistry& windows) : windows_(windows) {
    if (Form8* w = windows_.show<Form8>()) {
        open_ = true;
        paintBeforeWork(w);
    }
}

WaitBracket::~WaitBracket() {
    close();
}

void WaitBracket::close() {
    if (!open_) return;
    open_ = false;
    windows_.unload<Form8>();
}

}  // namespace pellix::shell
