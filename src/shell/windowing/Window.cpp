#include "shell/windowing/Window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <cmath>

namespace pellix::shell {

int twips(int t) {
    double dpi = 96.0;
    if (const QScreen* s = QGuiApplication::primaryScreen()) dpi = s->logicalDotsPerInch();
    return int(std::lround(t / 15.0 * dpi / 96.0));
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    // Labels show paths, sheet names and messages as they are, never as markup.
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

Window::Window(AppContext& ctx, Kind kind) : ctx_(ctx), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString());
}

Window::~Window() {
    if (!unloaded_) {
        unloaded_ = true;
        emit unloaded(this);
    }
}

void Window::markUnloaded() {
    if (unloaded_) return;
    unloaded_ = true;
    emit unloaded(this);
}

void Window::Unload() {
    markUnloaded();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->close();
    } else {
        hide();
        deleteLater();
    }
}

void Window::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) markUnloaded();
}

void Window::setClientTwips(int width, int height) {
    const QSize size(twips(width), twips(height));
    setFixedSize(size);
}

void Window::placeTwips(int left, int top) {
    placed_ = true;
    placement_ = QPoint(twips(left), twips(top));
    if (isVisible()) frame()->move(placement_);
}

QWidget* Window::frame() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
    return this;
}

void Window::raiseWindow() {
    QWidget* f = frame();
    f->show();
    f->raise();
    f->activateWindow();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(f))
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
}

}  // namespace pellix::shell
