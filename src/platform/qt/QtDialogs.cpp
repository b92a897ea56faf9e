#include "platform/qt/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace pellix::platform {

void QtMessageBoxes::show(QWidget* owner, const QString& prompt, const QString& title, Icon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case Icon::None:
            qicon = QMessageBox::NoIcon;
            break;
        case Icon::Critical:
            qicon = QMessageBox::Critical;
            break;
        case Icon::Exclamation:
            qicon = QMessageBox::Warning;
            break;
        case Icon::Information:
            qicon = QMessageBox::Information;
            break;
    }
    QMessageBox box(qicon, title, prompt, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);  // prompts carry paths and values as they are
    box.exec();
}

std::optional<QString> QtFileDialogs::openFile(QWidget* owner, const QString& startPath,
                                               const QStringList& nameFilters) {
    QString folder;
    if (!startPath.isEmpty()) {
        const QFileInfo current(startPath);
        folder = current.isDir() ? current.absoluteFilePath() : current.absolutePath();
        if (!QFileInfo(folder).isDir()) folder.clear();
    }
    const QString path = QFileDialog::getOpenFileName(owner, QString(), folder,
                                                      nameFilters.join(QStringLiteral(";;")));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace pellix::platform
