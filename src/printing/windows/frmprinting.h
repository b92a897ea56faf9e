#pragma once

#include "printing/Module1.h"
#include "shell/windowing/Window.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pellix::printing {

// The progress window the renderer shows while one label prints; its cancel button discards
// the label when the press arrives before the renderer's service point, and ends the run after
// the label.
class frmprinting : public shell::Window {
    Q_OBJECT
  public:
    explicit frmprinting(shell::AppContext& ctx);

    void Form_Load() override;
    void comcancel1_Click();

    QLabel* Label1 = nullptr;
    QLineEdit* txtprogress = nullptr;  // 0 to 25 characters "■"
    QPushButton* comcancel1 = nullptr;
};

// The progress of a label in the progress window: shown (and painted at once) when the label
// starts, its bar filled as the label gets on, closed when it is done.
class ProgressWindow final : public LabelProgress {
  public:
    explicit ProgressWindow(shell::WindowRegistry& windows) : windows_(windows) {}

    void started() override;
    void advanced(int marks) override;
    void finished() override;

  private:
    shell::WindowRegistry& windows_;
};

}  // namespace pellix::printing
