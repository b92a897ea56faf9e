// A label printed from the windows: the job made of the job form's label data and the layout
// dialog's titles, the progress window and its cancel button.
#include "printer/windows/Form3.h"
#include "printing/Module1.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/RecordingSurface.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace pellix;
using Kind = test::RecordingSurface::Kind;

Q_DECLARE_METATYPE(pellix::ErrorKind)

namespace {

// A window whose load refuses, as a form does whose settings cannot be read.
template <class W>
class Refusing final : public W {
  public:
    using W::W;
    void Form_Load() override { this->Unload(); }
};

}  // namespace

class tst_label_windows : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void jobIsWhatTheFieldsHold();
    void closedLayoutDialogIsLoadedUnseen();
    void editedTitleInOpenDialogPrints();
    void refusedLoadEndsTheLabel_data();
    void refusedLoadEndsTheLabel();
    void progressWindowDuringLabel();
    void cancelButtonAtServicePoint();
    void cancelButtonAfterServicePoint();

  private:
    printing::F_CustInput* form() { return registry->load<printing::F_CustInput>(); }
    void fill(const QString& value);

    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_label_windows::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    ts = std::make_unique<test::TestServices>();
    registry = test::programWindows(*ts);
}

void tst_label_windows::cleanup() {
    registry.reset();
    ts.reset();
    home.reset();
}

void tst_label_windows::fill(const QString& value) {
    printing::F_CustInput* f = form();
    f->Text1->setText(value);
    f->Text2->setText(QStringLiteral("りんごジュース"));
    f->Text3->setText(QStringLiteral("青森県産"));
    f->Text4->setText(QStringLiteral("1500"));
    f->Text5->setText(QStringLiteral("JAN-") + value);
    f->Text8->setText(value);
    f->Textsize1->setText(QStringLiteral("10"));
    f->Textsize2->setText(QStringLiteral("20"));
    f->Textsize3->setText(QStringLiteral("0"));
    f->Label_PP->setText(QStringLiteral("300"));
    platform::BarcodeCopy(f->Text5->text().toLatin1(), 5, 25, 1, f->Picture2);
}

void tst_label_windows::jobIsWhatTheFieldsHold() {
    fill(QStringLiteral("4901234567894"));
    form()->Textsize1->setText(QStringLiteral(" 2.5"));
    printing::LabelJob job;
    QVERIFY(printing::labelJobFromForms(registry->context(), job));
    QCOMPARE(job.title1, QStringLiteral("ペリックス商店"));
    QCOMPARE(job.title2, QStringLiteral("税込価格"));
    QCOMPARE(job.value, QStringLiteral("4901234567894"));
    QCOMPARE(job.itemName, QStringLiteral("りんごジュース"));
    QCOMPARE(job.name, QStringLiteral("青森県産"));
    QCOMPARE(job.price, QStringLiteral("1500"));
    QCOMPARE(job.janSource, QStringLiteral("4901234567894"));
    QCOMPARE(job.originX, QStringLiteral(" 2.5"));  // as the field holds it
    QCOMPARE(job.originY, QStringLiteral("20"));
    QCOMPARE(job.sizeAdjustment, QStringLiteral("0"));
    QCOMPARE(job.baseFont, form()->Text1->font());
    QVERIFY(job.picture);
    QCOMPARE(job.picture->digits, QByteArray("4901234567894"));

    // A record that gave no barcode leaves none in the job.
    fill(QStringLiteral("4901234567890"));
    QVERIFY(printing::labelJobFromForms(registry->context(), job));
    QVERIFY(!job.picture);
}

void tst_label_windows::closedLayoutDialogIsLoadedUnseen() {
    fill(QStringLiteral("4901234567894"));
    QVERIFY(!registry->find<printer::Form3>());
    test::RecordingSurface printer;
    QVERIFY(printing::printLabel(registry->context(), printer));
    QCOMPARE(printer.printed(QStringLiteral("ペリックス商店")).size(), 1);
    QCOMPARE(printer.printed(QStringLiteral("税込価格")).size(), 1);
    QVERIFY(registry->find<printer::Form3>());
    QVERIFY(!registry->find<printer::Form3>()->isVisible());
}

void tst_label_windows::editedTitleInOpenDialogPrints() {
    fill(QStringLiteral("4901234567894"));
    printer::Form3* layout = registry->show<printer::Form3>();
    QVERIFY(layout);
    layout->Text1->setText(QStringLiteral("まだ保存していない題"));
    test::RecordingSurface printer;
    QVERIFY(printing::printLabel(registry->context(), printer));
    QCOMPARE(printer.printed(QStringLiteral("まだ保存していない題")).size(), 1);
    QCOMPARE(printer.printed(QStringLiteral("ペリックス商店")).size(), 0);
}

void tst_label_windows::refusedLoadEndsTheLabel_data() {
    QTest::addColumn<bool>("jobForm");  // else: the layout dialog
    QTest::addColumn<QString>("message");
    QTest::newRow("job form")
        << true << QStringLiteral("ラベルデータの画面を読み込めないため、ラベルを印刷できません。");
    QTest::newRow("layout dialog")
        << false
        << QStringLiteral("出力レイアウト選択の画面を読み込めないため、ラベルを印刷できません。");
}

void tst_label_windows::refusedLoadEndsTheLabel() {
    QFETCH(bool, jobForm);
    QFETCH(QString, message);
    // Added under the class it stands for, in place of the program's own.
    if (jobForm)
        registry->add<Refusing<printing::F_CustInput>>();
    else
        registry->add<Refusing<printer::Form3>>();
    test::RecordingSurface printer;
    const Result r = printing::printLabel(registry->context(), printer);
    QVERIFY(!r);
    QCOMPARE(r.kind, ErrorKind::LoadRefused);
    QCOMPARE(r.message, message);
    QVERIFY(printer.ops.isEmpty());
    QVERIFY(!registry->find<printing::frmprinting>());
}

void tst_label_windows::progressWindowDuringLabel() {
    fill(QStringLiteral("4901234567894"));
    test::RecordingSurface printer;
    QStringList texts;
    QStringList progress;
    int windows = 0;
    printer.onOp = [&](const test::RecordingSurface::Op&) {
        auto* w = registry->find<printing::frmprinting>();
        QVERIFY(w);
        if (windows++) return;
        // Shown, painted and empty from the label's first drawing on.
        QVERIFY(w->isVisible());
        QVERIFY(w->txtprogress->text().isEmpty());
        QVERIFY(w->Label1->font().bold());
        texts << w->windowTitle() << w->Label1->text() << w->comcancel1->text();
        connect(w->txtprogress, &QLineEdit::textChanged, this,
                [&](const QString& t) { progress << t; });
    };
    QVERIFY(printing::printLabel(registry->context(), printer));
    QCOMPARE(texts, (QStringList{QStringLiteral("   印刷処理中"),
                                 QStringLiteral("伝票印刷処理中　しばらくお待ちください。"),
                                 QStringLiteral("キャンセル")}));
    QCOMPARE(progress, QStringList{QString(25, QChar(0x25A0))});
    // The window closes with the label; the run control is left as it was.
    QTRY_VERIFY(!registry->find<printing::frmprinting>());
    QCOMPARE(ts->run.progress, nullptr);
}

void tst_label_windows::cancelButtonAtServicePoint() {
    fill(QStringLiteral("4901234567894"));
    // Pressed while the header prints: the press is handled at the service point.
    QMetaObject::invokeMethod(
        this,
        [this] {
            auto* progress = registry->find<printing::frmprinting>();
            QVERIFY(progress);
            QTest::mouseClick(progress->comcancel1, Qt::LeftButton);
        },
        Qt::QueuedConnection);
    QVERIFY(printing::printLabel(registry->context()));
    QCOMPARE(ts->printers.opened, 1);
    QCOMPARE(ts->printers.discarded, 1);
    QVERIFY(ts->printers.printed.isEmpty());
    QCOMPARE(ts->run.print_cancel, std::int16_t(-1));
    // The count-down ends the run after this label.
    QCOMPARE(form()->Label_PP->text(), QStringLiteral("1"));

    QVERIFY(printing::printLabel(registry->context()));
    QCOMPARE(ts->printers.printed.size(), 1);
    QCOMPARE(ts->run.print_cancel, std::int16_t(0));
}

void tst_label_windows::cancelButtonAfterServicePoint() {
    fill(QStringLiteral("4901234567894"));
    test::RecordingSurface printer;
    printer.onOp = [&](const test::RecordingSurface::Op& op) {
        if (op.kind == Kind::Picture)
            QTest::mouseClick(registry->find<printing::frmprinting>()->comcancel1, Qt::LeftButton);
    };
    QVERIFY(printing::printLabel(registry->context(), printer));
    QCOMPARE(printer.count(Kind::EndDoc), 1);
    QCOMPARE(printer.count(Kind::KillDoc), 0);
    QCOMPARE(printer.printed(QStringLiteral("4  901234  567894")).size(), 1);
    // The press still ends the run after this label.
    QCOMPARE(form()->Label_PP->text(), QStringLiteral("1"));
}

QTEST_MAIN(tst_label_windows)
#include "tst_label_windows.moc"
