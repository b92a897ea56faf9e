#pragma once

#include <QString>

class QWidget;

namespace pellix::platform {

// Message boxes with one OK button, as every message of the program is shown.
class MessageBoxes {
  public:
    // Each icon's value is the program's code for it (none, critical, exclamation, information).
    enum class Icon { None = 0, Critical = 16, Exclamation = 48, Information = 64 };

    virtual ~MessageBoxes() = default;
    // Shows the prompt modally with the title and icon; returns when the user has dismissed it.
    virtual void show(QWidget* owner, const QString& prompt, const QString& title, Icon icon) = 0;
};

}  // namespace pellix::platform
