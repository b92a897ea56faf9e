#pragma once

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

namespace pellix::platform {

class QtMessageBoxes final : public MessageBoxes {
  public:
    void show(QWidget* owner, const QString& prompt, const QString& title, Icon icon) override;
};

class QtFileDialogs final : public FileDialogs {
  public:
    std::optional<QString> openFile(QWidget* owner, const QString& startPath,
                                    const QStringList& nameFilters) override;
};

}  // namespace pellix::platform
