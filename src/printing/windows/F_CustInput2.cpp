#include "printing/windows/F_CustInput2.h"

#include "datasource/RecordSource.h"
#include "platform/Fonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "printing/windows/F_CustInput.h"
#include "shell/windowing/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

namespace pellix::printing {

using shell::twipsRect;

F_CustInput2::F_CustInput2(shell::AppContext& ctx) : JobForm(ctx) {
    setWindowTitle(QStringLiteral("Pellix　for Excel 部分印刷"));
    setClientTwips(7500, 5175);
    setFont(labelBaseFont());

    Adodc1 = new PreviewModel(this);
    DataGrid1 = makePreviewGrid(this, Adodc1, twipsRect(240, 120, 6735, 3255));

    const QFont bound = platform::namedFont(platform::kPGothic, 15.75, true);
    TextPP1 = new QLineEdit(this);
    TextPP1->setObjectName(QStringLiteral("TextPP1"));
    TextPP1->setFont(bound);
    TextPP1->setGeometry(twipsRect(360, 3480, 615, 405));
    Label4 =
        shell::makeLabel(this, "Label4", QStringLiteral("行から"), twipsRect(960, 3600, 615, 255));
    TextPP2 = new QLineEdit(this);
    TextPP2->setObjectName(QStringLiteral("TextPP2"));
    TextPP2->setFont(bound);
    TextPP2->setGeometry(twipsRect(1680, 3480, 615, 375));
    Label5 =
        shell::makeLabel(this, "Label5", QStringLiteral("行まで"), twipsRect(2280, 3600, 615, 255));
    Label3 = shell::makeLabel(this, "Label3", QStringLiteral("※印刷行を指定してください。"),
                              twipsRect(480, 3960, 3000, 255));

    Command3 = new QPushButton(QStringLiteral("印刷実行開始"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipsRect(360, 4320, 2535, 615));
    connect(Command3, &QPushButton::clicked, this, &F_CustInput2::Command3_Click);

    Label1 = shell::makeLabel(this, "Label1", QString(), twipsRect(2880, 4560, 2295, 375));
    Label1->setFont(platform::namedFont(platform::kMincho, 9.75, true));

    閉じる = new QPushButton(QStringLiteral("終了"), this);
    閉じる->setObjectName(QStringLiteral("閉じる"));
    閉じる->setGeometry(twipsRect(5280, 4440, 1455, 615));
    connect(閉じる, &QPushButton::clicked, this, &JobForm::閉じる_Click);

    work.make(this);
    Text999 = hiddenField("Text999");
    Text5 = hiddenField("Text5");
    Picture1 = new BarcodePreview(this, Text5, bar);
    Picture1->hide();
}

F_CustInput2::~F_CustInput2() = default;

void F_CustInput2::reportLoadFailure(const Result& failure) {
    // A path that cannot be used gets a prompt of its own; everything else shows the cause.
    const QString prompt =
        failure.kind == ErrorKind::PathUnusable ? kPartialPathPrompt : failure.message;
    context().services.messages.show(this, prompt, kPartialLoadTitle,
                                     platform::MessageBoxes::Icon::None);
}

bool F_CustInput2::openSource() {
    auto source = std::make_shared<datasource::RecordSource>();
    datasource::ResultTable table;
    Result r = source->open(work.path, work.queryText);
    // The grid's rows are read from the first row on; the source stands on it again afterwards.
    if (r) r = source->readAll(table);
    if (!r) {
        reportLoadFailure(r);
        return false;
    }
    source_ = std::move(source);
    Adodc1->setTable(std::move(table));
    return true;
}

void F_CustInput2::Form_Load() {
    placeTwips(10, 10);
    Label1->clear();
    allowance = kLabelAllowance;

    Result r = work.readDatabase();
    if (r) r = work.readPositions();
    if (!r) return reportLoadFailure(r);
    // The label data lives in the continuous form: loading it runs its whole load (with its own
    // failure message) unseen.
    if (F_CustInput* form = context().windows.load<F_CustInput>()) {
        form->Textsize1->setText(work.Textsize[0]->text());
        form->Textsize2->setText(work.Textsize[1]->text());
        form->Textsize3->setText(work.Textsize[2]->text());
    }
    openSource();
}

void F_CustInput2::Command3_Click() {
    if (context().run.running) return;
    // A run that closed the source, or a load that could not open it, leaves none: the start
    // button opens it again from the first row.
    if (!source_ || !source_->isOpen()) {
        if (!openSource()) return;
    }
    // The run starts at the grid's current row, which becomes row 1.
    const int start = std::max(DataGrid1->currentIndex().row(), 0);
    std::shared_ptr<datasource::RecordSource> source = source_;
    if (Result r = source->rewind(); !r) return reportLoadFailure(r);
    for (int i = 0; i < start && !source->atEnd(); ++i)
        if (Result r = source->moveNext(); !r) return reportLoadFailure(r);

    startRun([this, start, source](const bool& stop) {
        // The grid follows the run.
        struct Host final : FormRunHost {
            Host(F_CustInput2& form, const bool& stop, int start)
                : FormRunHost(form, form.Label1, form.Text999, stop),
                  partial_(&form),
                  start_(start) {}
            void walked(qint64 row) override {
                if (partial_)
                    partial_->DataGrid1->setCurrentIndex(
                        partial_->Adodc1->index(int(start_ + row - 1), 0));
            }
            QPointer<F_CustInput2> partial_;
            qint64 start_;
        } host(*this, stop, start);
        RunContext rc = host.runContext();
        return runPartial(host, rc, *source, TextPP1->text(), TextPP2->text(), bar);
    });
}

}  // namespace pellix::printing
