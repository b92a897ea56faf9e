#include "shell/windowing/WindowRegistry.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace pellix::shell {

WindowRegistry::WindowRegistry(platform::Services& services,
                               printer::PrinterSetup::SavedPrinterChoice& printerChoice,
                               printing::RunControl& run)
    : ctx_{services, *this, printerChoice, run} {}

WindowRegistry::~WindowRegistry() {
    // Windows that were only loaded (never shown in the main window) have no parent to delete
    // them.
    const auto windows = loaded_.values();
    loaded_.clear();
    for (const QPointer<Window>& w : windows) {
        if (!w) continue;
        disconnect(w, nullptr, this, nullptr);
        delete w.data();
    }
}

void WindowRegistry::setMdiArea(QMdiArea* area) {
    mdi_ = area;
}

void WindowRegistry::addType(const QMetaObject& type, Factory factory) {
    if (!factories_.contains(&type)) order_ << &type;
    factories_.insert(&type, std::move(factory));
}

Window* WindowRegistry::findType(const QMetaObject& type) const {
    const auto it = loaded_.constFind(&type);
    if (it == loaded_.constEnd() || !*it || (*it)->isUnloaded()) return nullptr;
    return *it;
}

void WindowRegistry::forget(Window* window) {
    for (auto it = loaded_.begin(); it != loaded_.end();) {
        if (it.value() == window || !it.value())
            it = loaded_.erase(it);
        else
            ++it;
    }
}

Window* WindowRegistry::loadType(const QMetaObject& type) {
    if (Window* w = findType(type)) return w;
    const auto f = factories_.constFind(&type);
    if (f == factories_.constEnd()) {
        qCritical("WindowRegistry: window %s was never added to the registry", type.className());
        Q_ASSERT_X(false, "WindowRegistry", "window shown or loaded that was never added");
        return nullptr;
    }
    Window* w = (*f)(ctx_);
    // The class name without its namespace, as the window is named in the forms.
    w->setObjectName(QString::fromLatin1(type.className()).section(QStringLiteral("::"), -1));
    connect(w, &Window::unloaded, this, &WindowRegistry::forget);
    loaded_.insert(&type, w);
    w->Form_Load();
    if (w->isUnloaded()) return nullptr;
    return w;
}

Window* WindowRegistry::show(const QMetaObject& type) {
    return showType(type);
}

Window* WindowRegistry::showType(const QMetaObject& type) {
    if (Window* w = findType(type)) {
        if (!w->frame()->isVisible())
            present(w);
        else
            w->raiseWindow();
        return findType(type);
    }
    Window* w = loadType(type);
    if (!w) return nullptr;
    present(w);
    return w;
}

void WindowRegistry::unloadType(const QMetaObject& type) {
    if (Window* w = findType(type)) w->Unload();
}

void WindowRegistry::present(Window* w) {
    if (!w || w->isUnloaded()) return;
    if (w->kind() == Window::Kind::Child && mdi_ &&
        !qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
        QMdiSubWindow* sub =
            mdi_->addSubWindow(w, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowTitle(w->windowTitle());
        connect(w, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
        sub->adjustSize();
        if (w->hasPlacement()) sub->move(w->placement());
    } else if (w->kind() == Window::Kind::Separate && !w->parentWidget() && mdi_) {
        w->setParent(mdi_->window(), Qt::Window);
    }
    if (w->kind() == Window::Kind::Separate || !mdi_) {
        if (w->hasPlacement()) {
            w->move(w->placement());
        } else if (QWidget* owner = mdi_ && !w->positionLeftToSystem() ? mdi_->window() : nullptr) {
            // Centred over its owner.
            const QRect r = owner->frameGeometry();
            w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
        }
    }
    w->raiseWindow();
}

}  // namespace pellix::shell
