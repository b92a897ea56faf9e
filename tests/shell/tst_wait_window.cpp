// Runs on a real X server (xvfb-run, QT_QPA_PLATFORM=xcb): only there does a window need to be
// mapped and exposed by the server before anything it paints can be seen.
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <QtTest>
#include <functional>
#include <memory>

using namespace pellix;
using namespace pellix::shell;

// A window whose load stands for the slow work inside the bracket.
class SlowWindow : public Window {
    Q_OBJECT
  public:
    explicit SlowWindow(AppContext& ctx) : Window(ctx, Kind::Separate) {}
    void Form_Load() override {
        if (whileLoading) whileLoading();
    }
    static inline std::function<void()> whileLoading;
};

class tst_wait_window : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void shownBeforeTheWorkStarts();
};

void tst_wait_window::initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: ctest runs this test under xvfb-run with QT_QPA_PLATFORM=xcb");
}

void tst_wait_window::shownBeforeTheWorkStarts() {
    test::TestServices services;
    std::unique_ptr<WindowRegistry> program = test::programWindows(services);
    WindowRegistry& windows = *program;
    windows.add<SlowWindow>();

    bool exposed = false;
    QImage onScreen;  // what the X server shows of the wait window
    QImage drawn;     // the wait window drawn by itself
    QRect message;    // where the message is, in the window
    SlowWindow::whileLoading = [&] {
        Form8* wait = windows.find<Form8>();
        QVERIFY(wait);
        exposed = wait->windowHandle() && wait->windowHandle()->isExposed();
        onScreen = wait->screen()
                       ->grabWindow(wait->winId())
                       .toImage()
                       .convertToFormat(QImage::Format_RGB32);
        drawn = wait->grab().toImage().convertToFormat(QImage::Format_RGB32);
        message = wait->Label1->geometry();
    };
    {
        WaitBracket bracket(windows);
        QVERIFY(windows.show<SlowWindow>());
    }
    SlowWindow::whileLoading = nullptr;
    QVERIFY(!windows.find<Form8>());

    QVERIFY(exposed);
    QVERIFY(!onScreen.isNull());
    QCOMPARE(onScreen.size(), drawn.size());
    // The message is there: many pixels of the label's area differ from the background.
    const QRgb background = drawn.pixel(2, 2);
    int text = 0;
    for (int y = message.top(); y <= message.bottom(); ++y)
        for (int x = message.left(); x <= message.right(); ++x)
            if (drawn.pixel(x, y) != background) ++text;
    QVERIFY2(text > 500, qPrintable(QString::number(text)));
    // And the server shows exactly what the window draws.
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (onScreen.pixel(x, y) != drawn.pixel(x, y)) ++differing;
    QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
}

QTEST_MAIN(tst_wait_window)
#include "tst_wait_window.moc"
