#include "printing/windows/frmprinting.h"

#include "platform/Fonts.h"
#include "printing/Module1.h"
#include "printing/windows/F_CustInput.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pellix::printing {

using shell::twipsRect;

frmprinting::frmprinting(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("   印刷処理中"));
    // The window is 5000 x 2300 twips with its frame; this is its client area.
    setClientTwips(4880, 1880);

    Label1 = new QLabel(QStringLiteral("伝票印刷処理中　しばらくお待ちください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(platform::namedFont(platform::kPGothic, 12, true));
    Label1->setGeometry(twipsRect(360, 360, 4515, 240));

    txtprogress = new QLineEdit(this);
    txtprogress->setObjectName(QStringLiteral("txtprogress"));
    txtprogress->setReadOnly(true);
    txtprogress->setFocusPolicy(Qt::NoFocus);
    txtprogress->setGeometry(twipsRect(240, 840, 4455, 270));

    comcancel1 = new QPushButton(QStringLiteral("キャンセル"), this);
    comcancel1->setObjectName(QStringLiteral("comcancel1"));
    comcancel1->setGeometry(twipsRect(1560, 1320, 2055, 375));
    connect(comcancel1, &QPushButton::clicked, this, &frmprinting::comcancel1_Click);
}

void frmprinting::Form_Load() {
    txtprogress->clear();
    placeTwips(3000, 3300);
}

void frmprinting::comcancel1_Click() {
    context().run.cancel();
    if (F_CustInput* form = context().windows.find<F_CustInput>())
        form->Label_PP->setText(QString::number(context().run.countdown));
}

void ProgressWindow::started() {
    if (frmprinting* window = windows_.show<frmprinting>()) window->repaint();
}

void ProgressWindow::advanced(int marks) {
    // The user may have closed the window while the label printed.
    if (frmprinting* window = windows_.find<frmprinting>()) {
        window->txtprogress->setText(QString(marks, QChar(0x25A0)));
        window->repaint();
    }
}

void ProgressWindow::finished() {
    windows_.unload<frmprinting>();
}

}  // namespace pellix::printing
