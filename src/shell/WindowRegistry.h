#pragma once

#include "shell/Window.h"

#include <QHash>
#include <QMdiArea>
#include <QObject>
#include <QPointer>
#include <functional>

class QMdiArea;

namespace pellix::shell {

// Holds the single shared instance of each window, by class name.
//  - show: a window that is not loaded is created and loaded, then shown; a loaded one is only
//    brought to the front.
//  - load: the shared instance, loaded if needed, without showing it (reading a field of a
//    window that is not loaded loads it).
//  - closing a window destroys it and removes it from the registry.
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

    // Makes a window known by name, so that windows of other subsystems can show it.
    void add(const QString& name, Factory factory);
    template <class W>
    void add() {
        add(nameOf<W>(), [](AppContext& c) -> Window* { return new W(c); });
    }

    // The loaded shared instance, or nullptr.
    Window* find(const QString& name) const;
    // The shared instance, created and loaded when needed; nullptr when the name is unknown or
    // the window unloaded itself during its load.
    Window* load(const QString& name);
    // As load, then shows the window or brings it to the front.
    Window* show(const QString& name);
    // Closes and destroys the shared instance if it is loaded.
    void unload(const QString& name);

    template <class W>
    W* find() const {
        return qobject_cast<W*>(find(nameOf<W>()));
    }
    template <class W>
    W* load() {
        ensure<W>();
        return qobject_cast<W*>(load(nameOf<W>()));
    }
    template <class W>
    W* show() {
        ensure<W>();
        return qobject_cast<W*>(show(nameOf<W>()));
    }
    template <class W>
    void unload() {
        unload(nameOf<W>());
    }

    // Shows a window that is not a shared instance (the start-up main menu screen), placing it in
    // the main window when it is a child window.
    void present(Window* window);

  private:
    template <class W>
    static QString nameOf() {
        return QString::fromLatin1(W::staticMetaObject.className())
            .section(QStringLiteral("::"), -1);
    }
    template <class W>
    void ensure() {
        if (!factories_.contains(nameOf<W>()))
            add(nameOf<W>(), [](AppContext& c) -> Window* { return new W(c); });
    }
    void forget(Window* window);

    AppContext ctx_;
    QPointer<QMdiArea> mdi_;
    QHash<QString, Factory> factories_;
    QHash<QString, QPointer<Window>> loaded_;
};

}  // namespace pellix::shell
