#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace pellix::platform {
struct Services;
}
namespace pellix::printer::PrinterSetup {
struct SavedPrinterChoice;
}
namespace pellix::printing {
struct RunControl;
}

namespace pellix::shell {

class WindowRegistry;

// What every window is given: the platform services, the registry of shared windows, and the
// state that outlives one call, which the composition root builds like the services: the saved
// printer choice and the control of the print run's labels.
struct AppContext {
    platform::Services& services;
    WindowRegistry& windows;
    printer::PrinterSetup::SavedPrinterChoice& printerChoice;
    printing::RunControl& run;
};

// Window geometry is given in twips (1440 to the inch): 15 twips to the pixel at 96 dpi, scaled
// by the screen's logical dpi.
int twips(int t);
QRect twipsRect(int left, int top, int width, int height);

// A label of a window, named as in the form, its text shown as plain text and starting at the
// top left as a form's label draws it.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry);

// Background colour of a window's client area or of a control.
void setBackground(QWidget* widget, const QColor& colour);

// Base of every window of the program. The registry creates it, runs its Form_Load, and shows
// it: inside the main window (Kind::Child) or as a window of its own (Kind::Separate). Closing
// destroys it, so the next use loads it anew.
class Window : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Child, Separate };

    Window(AppContext& ctx, Kind kind);
    ~Window() override;

    Kind kind() const { return kind_; }
    AppContext& context() const { return ctx_; }

    // The window's load; runs once, right after creation and before the first show.
    virtual void Form_Load() {}

    // Closes and destroys the window. Called from within its own load, it keeps the window from
    // being shown: the registry's show then answers nullptr.
    void Unload();
    bool isUnloaded() const { return unloaded_; }

    // Size of the client area in twips.
    void setClientTwips(int width, int height);
    // Position of the window's frame in the main window's client area (child windows) or on the
    // screen (separate windows), in twips; the registry applies it when the window is shown.
    void placeTwips(int left, int top);
    bool hasPlacement() const { return placed_; }
    QPoint placement() const { return placement_; }
    // A separate window without a placement opens centred over the main window, unless it leaves
    // its position to the window system.
    void leavePositionToSystem() { systemPosition_ = true; }
    bool positionLeftToSystem() const { return systemPosition_; }

    // Brings a shown window to the front.
    void raiseWindow();
    // The frame that holds the window in the main window, or the window itself.
    QWidget* frame();

  signals:
    void unloaded(pellix::shell::Window* window);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void markUnloaded();

    AppContext& ctx_;
    Kind kind_;
    bool unloaded_ = false;
    bool placed_ = false;
    bool systemPosition_ = false;
    QPoint placement_;
};

}  // namespace pellix::shell
