#include "info/windows/WebPageWindow.h"

#include "info/WebPages.h"
#include "platform/Fonts.h"
#include "platform/Services.h"

#include <QLabel>
#include <QPushButton>

namespace pellix::info {

WebPageWindow::WebPageWindow(shell::AppContext& ctx, const QString& caption, const QString& notice,
                             const char* page, int clientHeightTwips)
    : Window(ctx, Kind::Separate), page_(page) {
    setWindowTitle(caption);
    setClientTwips(4680, clientHeightTwips);
    setFont(platform::namedFont(platform::kPGothic, 9));
    leavePositionToSystem();

    Label1 = shell::makeLabel(this, "Label1", notice, shell::twipsRect(120, 120, 4440, 255));
    Label2 = shell::makeLabel(this, "Label2", pageAddress(page).toString(),
                              shell::twipsRect(120, 465, 4440, 255));
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette blue = Label2->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 192));
    Label2->setPalette(blue);

    Command1 = new QPushButton(QStringLiteral("画面を開く"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(shell::twipsRect(1560, 855, 1560, 420));
    connect(Command1, &QPushButton::clicked, this, &WebPageWindow::Command1_Click);
}

void WebPageWindow::Command1_Click() {
    openPage(context().services.urls, page_);
}

}  // namespace pellix::info
