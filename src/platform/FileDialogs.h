#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace pellix::platform {

// The system's file-open dialog.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Lets the user pick one existing file, with no file-type filter and the system's default
    // title; the chosen file's full path, or nullopt when the user cancels.
    virtual std::optional<QString> openFile(QWidget* owner) = 0;
};

}  // namespace pellix::platform
