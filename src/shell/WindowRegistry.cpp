#include "shell/WindowRegistry.h"

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

void WindowRegistry::add(const QString& name, Factory factory) {
    factories_.insert(name, std::move(factory));
}

Window* WindowRegistry::find(const QString& name) const {
    const auto it = loaded_.constFind(name);
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

Window* WindowRegistry::load(const QString& name) {
    if (Window* w = find(name)) return w;
    const auto f = factories_.constFind(name);
    if (f == factories_.constEnd()) return nullptr;
    Window* w = (*f)(ctx_);
    w->setObjectName(name);
    connect(w, &Window::unloaded, this, &WindowRegistry::forget);
    loaded_.insert(name, w);
    w->Form_Load();
    if (w->isUnloaded()) return nullptr;
    return w;
}

Window* WindowRegistry::show(const QString& name) {
    if (Window* w = find(name)) {
        if (!w->frame()->isVisible())
            present(w);
        else
            w->raiseWindow();
        return find(name);
    }
    Window* w = load(name);
    if (!w) return nullptr;
    present(w);
    return w;
}

void WindowRegistry::unload(const QString& name) {
    if (Window* w = find(name)) w->Unload();
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
        } else if (QWidget* owner = mdi_ ? mdi_->window() : nullptr) {
            // Centred over its owner.
            const QRect r = owner->frameGeometry();
            w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
        }
    }
    w->raiseWindow();
}

}  // namespace pellix::shell
