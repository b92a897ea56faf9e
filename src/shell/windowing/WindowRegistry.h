#pragma once

#include "shell/windowing/Window.h"

#include <QHash>
#include <QMdiArea>
#include <QObject>
#include <QPointer>
#include <functional>

namespace pellix::shell {

// Holds the single shared instance of each window, by its class.
//  - add<W>() makes a window class known; the composition root adds every window in one place.
//  - show<W>(): a window that is not loaded is created and loaded, then shown; a loaded one is
//    only brought to the front.
//  - load<W>(): the shared instance, loaded if needed, without showing it (reading a field of a
//    window that is not loaded loads it).
//  - closing a window destroys it and removes it from the registry.
// Showing or loading a class that was never added is a fault of the program, not of the user:
// it answers nullptr with a critical message, and stops a debug build at an assertion.
class WindowRegistry : public QObject {
    Q_OBJECT
  public:
    using Factory = std::function<Window*(AppContext&)>;

    // The context of every window: the services and the state the composition root built.
    WindowRegistry(platform::Services& services,
                   printer::PrinterSetup::SavedPrinterChoice& printerChoice,
                   printing::RunControl& run);
    ~WindowRegistry() override;

    AppContext& context() { return ctx_; }
    platform::Services& services() { return ctx_.services; }

    // The main window's area for child windows; without it child windows show as top-level.
    void setMdiArea(QMdiArea* area);
    QMdiArea* mdiArea() const { return mdi_; }

    template <class W>
    void add() {
        addType(W::staticMetaObject, [](AppContext& c) -> Window* { return new W(c); });
    }
    template <class W>
    bool has() const {
        return factories_.contains(&W::staticMetaObject);
    }

    // The loaded shared instance, or nullptr.
    template <class W>
    W* find() const {
        return static_cast<W*>(findType(W::staticMetaObject));
    }
    // The shared instance, created and loaded when needed; nullptr when the window unloaded
    // itself during its load (or was never added).
    template <class W>
    W* load() {
        return static_cast<W*>(loadType(W::staticMetaObject));
    }
    // As load, then shows the window or brings it to the front.
    template <class W>
    W* show() {
        return static_cast<W*>(showType(W::staticMetaObject));
    }
    // Every window class added, in the order added, and showing one of them by its class (for
    // tools that walk every window, such as the screenshot mode).
    QList<const QMetaObject*> added() const { return order_; }
    Window* show(const QMetaObject& type);

    // Closes and destroys the shared instance if it is loaded.
    template <class W>
    void unload() {
        unloadType(W::staticMetaObject);
    }

    // Shows a window that is not a shared instance (the start-up main menu screen), placing it in
    // the main window when it is a child window.
    void present(Window* window);

  private:
    void addType(const QMetaObject& type, Factory factory);
    Window* findType(const QMetaObject& type) const;
    Window* loadType(const QMetaObject& type);
    Window* showType(const QMetaObject& type);
    void unloadType(const QMetaObject& type);
    void forget(Window* window);

    AppContext ctx_;
    QPointer<QMdiArea> mdi_;
    QHash<const QMetaObject*, Factory> factories_;
    QList<const QMetaObject*> order_;
    QHash<const QMetaObject*, QPointer<Window>> loaded_;
};

}  // namespace pellix::shell
