#include "printing/windows/F_CustInput.h"

#include "platform/Fonts.h"
#include "platform/Services.h"
#include "printer/windows/Form3.h"
#include "printing/Module1.h"
#include "printing/QPainterSurface.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <utility>

namespace pellix::printing {

namespace {

Result refused(const QString& window) {
    return Result::failure(
        ErrorKind::LoadRefused,
        QStringLiteral("%1の画面を読み込めないため、ラベルを印刷できません。").arg(window));
}

}  // namespace

F_CustInput::F_CustInput(shell::AppContext& ctx) : Window(ctx, Kind::Child) {
    setWindowTitle(QStringLiteral("Pellix　for Excel"));
    setClientTwips(7500, 5850);
    // The form's own font, which the work fields inherit; Text1's is the labels' base font.
    setFont(platform::namedFont(platform::kPGothic, 9));

    auto hidden = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->hide();
        return t;
    };
    Text1 = hidden("Text1");
    Text2 = hidden("Text2");
    Text3 = hidden("Text3");
    Text4 = hidden("Text4");
    Text5 = hidden("Text5");
    Text8 = hidden("Text8");
    Textsize1 = hidden("Textsize1");
    Textsize2 = hidden("Textsize2");
    Textsize3 = hidden("Textsize3");
    Label_PP = new QLabel(this);
    Label_PP->setObjectName(QStringLiteral("Label_PP"));
    Label_PP->hide();
}

Result labelJobFromForms(shell::AppContext& ctx, LabelJob& job) {
    job = {};
    const F_CustInput* form = ctx.windows.load<F_CustInput>();
    if (!form) return refused(QStringLiteral("ラベルデータ"));
    const printer::Form3* layout = ctx.windows.load<printer::Form3>();
    if (!layout) return refused(QStringLiteral("出力レイアウト選択"));
    job.title1 = layout->Text1->text();
    job.title2 = layout->Text2->text();
    job.value = form->Text1->text();
    job.itemName = form->Text2->text();
    job.name = form->Text3->text();
    job.price = form->Text4->text();
    job.janSource = form->Text8->text();
    job.originX = form->Textsize1->text();
    job.originY = form->Textsize2->text();
    job.sizeAdjustment = form->Textsize3->text();
    // Text1 carries no font of its own: it has the form's, which is the labels' base font.
    job.baseFont = form->Text1->font();
    job.picture = form->Picture2.picture;
    return Result::success();
}

Result printLabel(shell::AppContext& ctx, PrinterSurface& printer) {
    LabelJob job;
    if (Result made = labelJobFromForms(ctx, job); !made) return made;
    ProgressWindow progress(ctx.windows);
    LabelProgress* before = std::exchange(ctx.run.progress, &progress);
    const Result printed = Module1::print_label(job, ctx.run, printer);
    ctx.run.progress = before;
    return printed;
}

Result printLabel(shell::AppContext& ctx) {
    QPainterSurface printer(ctx.services.printers);
    return printLabel(ctx, printer);
}

}  // namespace pellix::printing
