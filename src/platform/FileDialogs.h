#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace pellix::platform {

// The system's file-open dialog.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Lets the user pick one existing file, under the system's default title. The dialog opens
    // in the folder of startPath (the path the caller shows now; empty for the system's choice)
    // and offers the name filters in Qt's form ("Excel 97-2003 ブック (*.xls)"), the first one
    // chosen. The chosen file's full path, or nullopt when the user cancels.
    virtual std::optional<QString> openFile(QWidget* owner, const QString& startPath,
                                            const QStringList& nameFilters) = 0;
};

}  // namespace pellix::platform
