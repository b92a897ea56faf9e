#include "platform/qt/QtDialogs.h"

#include <QFileDialog>
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

std::optional<QString> QtFileDialogs::openFile(QWidget* owner) {
    const QString path = QFileDialog::getOpenFileName(owner);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace pellix::platform
