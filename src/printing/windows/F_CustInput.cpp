#include "printing/windows/F_CustInput.h"

#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/PrintSetupDialog.h"
#include "platform/Services.h"
#include "printer/PrinterSetup.h"
#include "printer/windows/Form3.h"
#include "printing/Module1.h"
#include "printing/QPainterSurface.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <utility>

namespace pellix::printing {

using shell::twipsRect;

namespace {

Result refused(const QString& window) {
    return Result::failure(
        ErrorKind::LoadRefused,
        QStringLiteral("%1の画面を読み込めないため、ラベルを印刷できません。").arg(window));
}

}  // namespace

F_CustInput::F_CustInput(shell::AppContext& ctx) : JobForm(ctx) {
    setWindowTitle(QStringLiteral("Pellix　for Excel"));
    setClientTwips(7500, 5850);
    // The form's own font, which the work fields inherit; Text1's is the labels' base font.
    setFont(labelBaseFont());

    Adodc1 = new PreviewModel(this);
    DataGrid1 = makePreviewGrid(this, Adodc1, twipsRect(360, 120, 6735, 4335));

    Command3 = new QPushButton(QStringLiteral("連続印刷実行スタート"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipsRect(240, 4800, 2535, 615));
    connect(Command3, &QPushButton::clicked, this, &F_CustInput::Command3_Click);

    Label1 = shell::makeLabel(this, "Label1", QString(), twipsRect(2880, 4920, 2415, 375));
    Label1->setFont(platform::namedFont(platform::kMincho, 9.75, true));

    閉じる = new QPushButton(QStringLiteral("終了"), this);
    閉じる->setObjectName(QStringLiteral("閉じる"));
    閉じる->setGeometry(twipsRect(5400, 5040, 1455, 615));
    connect(閉じる, &QPushButton::clicked, this, &JobForm::閉じる_Click);

    Text1 = hiddenField("Text1");
    Text2 = hiddenField("Text2");
    Text3 = hiddenField("Text3");
    Text4 = hiddenField("Text4");
    Text5 = hiddenField("Text5");
    Text8 = hiddenField("Text8");
    Text999 = hiddenField("Text999");
    work.make(this);
    Textsize1 = work.Textsize[0];
    Textsize2 = work.Textsize[1];
    Textsize3 = work.Textsize[2];
    auto hiddenLabel = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->hide();
        return l;
    };
    Label_PP = hiddenLabel("Label_PP");
    Label_YOSHI = hiddenLabel("Label_YOSHI");
    Picture1 = new BarcodePreview(this, Text5, bar);
    Picture1->hide();
}

void F_CustInput::Form_Load() {
    placeTwips(10, 10);
    Label1->clear();
    allowance = kLabelAllowance;

    // A failure ends the load there: the form opens with what was done, without preview.
    Result r = work.readPositions();
    if (r) r = work.readDatabase();
    if (r) {
        // The grid keeps the rows; the source closes with the read.
        datasource::RecordSource source;
        datasource::ResultTable table;
        r = source.open(work.path, work.queryText);
        if (r) r = source.readAll(table);
        if (r) Adodc1->setTable(std::move(table));
    }
    if (!r)
        context().services.messages.show(this, r.message, kContinuousLoadTitle,
                                         platform::MessageBoxes::Icon::None);
}

void F_CustInput::Command3_Click() {
    startRun([this](const bool& stop) {
        FormRunHost host(*this, Label1, Text999, stop, Label_YOSHI);
        RunContext rc = host.runContext();
        return runContinuous(host, rc, work.path, work.queryText, allowance, bar);
    });
}

void fillLabelData(F_CustInput& form, const LabelData& data) {
    form.Text1->setText(data.Text1);
    form.Text2->setText(data.Text2);
    form.Text3->setText(data.Text3);
    form.Text4->setText(data.Text4);
    form.Text5->setText(data.Text5);
    form.Text8->setText(data.Text8);
    form.Picture2.picture = data.Picture2;
}

Result labelJobFromForms(shell::AppContext& ctx, LabelJob& job) {
    job = {};
    const F_CustInput* form = ctx.windows.load<F_CustInput>();
    if (!form) return refused(QStringLiteral("ラベルデータ"));
    const printer::Form3* layout = ctx.windows.load<printer::Form3>();
    if (!layout) return refused(QStringLiteral("出力レイアウト選択"));
    LabelData data;
    data.Text1 = form->Text1->text();
    data.Text2 = form->Text2->text();
    data.Text3 = form->Text3->text();
    data.Text4 = form->Text4->text();
    data.Text8 = form->Text8->text();
    data.Picture2 = form->Picture2.picture;
    // Text1 carries no font of its own: it has the form's, which is the labels' base font.
    job = labelJob(data, layout->Text1->text(), layout->Text2->text(),
                   {form->Textsize1->text(), form->Textsize2->text(), form->Textsize3->text()},
                   form->Text1->font());
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

FormRunHost::FormRunHost(shell::Window& form, QLabel* status, QLineEdit* text999, const bool& stop,
                         QLabel* paper)
    : ctx_(form.context()),
      form_(&form),
      status_(status),
      text999_(text999),
      paper_(paper),
      stop_(stop) {}

RunContext FormRunHost::runContext() {
    return RunContext{ctx_.services.printers, ctx_.run};
}

bool FormRunHost::choosePrinter() {
    namespace ps = printer::PrinterSetup;
    bool bound = false;
    // A saved choice that cannot be applied leaves the application printer for the dialog.
    (void)ps::RestorePrinterChoice(ctx_.services, ctx_.printerChoice, bound);
    if (!ps::OpenPrinterDialog(ctx_.services, platform::PD_PRINTSETUP, form_)) return false;
    (void)ps::SavePrinterChoice(ctx_.services, ctx_.printerChoice);
    return true;
}

Result FormRunHost::reapplyPrinter() {
    namespace ps = printer::PrinterSetup;
    bool bound = false;
    if (Result r = ps::RestorePrinterChoice(ctx_.services, ctx_.printerChoice, bound); !r) return r;
    return ps::SavePrinterChoice(ctx_.services, ctx_.printerChoice);
}

void FormRunHost::connection(const QString& value) {
    if (text999_) text999_->setText(value);
}

void FormRunHost::paper(const QString& value) {
    if (paper_) paper_->setText(value);
}

void FormRunHost::status(const QString& caption) {
    if (status_) status_->setText(caption);
}

void FormRunHost::countdown(qint64 value) {
    if (F_CustInput* form = ctx_.windows.find<F_CustInput>())
        form->Label_PP->setText(QString::number(value));
}

void FormRunHost::filled(const LabelData& data) {
    // The label data lives in the continuous form, loaded unseen when it is not.
    if (F_CustInput* form = ctx_.windows.load<F_CustInput>()) fillLabelData(*form, data);
}

Result FormRunHost::print(const LabelData&) {
    return printLabel(ctx_);
}

void FormRunHost::message(const QString& prompt, const QString& title,
                          platform::MessageBoxes::Icon icon) {
    ctx_.services.messages.show(form_, prompt, title, icon);
}

bool FormRunHost::stopRequested() const {
    return !form_ || stop_;
}

}  // namespace pellix::printing
