// Labels printed on a real CUPS queue whose device writes each job's document to a folder as
// job-<id>.pdf. PELLIX_TEST_CUPS_QUEUE names the queue and PELLIX_TEST_CUPS_OUT its folder;
// scripts/cups-private starts a private CUPS server with such queues:
//   bash scripts/cups-private run ctest -R tst_label_cups
// Without them the tests are skipped, except under CI=true, where they fail.
#include "platform/Barcode.h"
#include "platform/qt/QtPrinters.h"
#include "printer/PrinterSetup.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace pellix;

namespace {

// Standard output of a tool that must succeed.
QString run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The barcodes zbar finds on the document's first page, rendered at 300 dpi.
QString decode(const QString& pdf) {
    QTemporaryDir dir;
    const QString png = dir.path() + QStringLiteral("/p");
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdf, png});
    return run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), png + QStringLiteral(".png")})
        .trimmed();
}

}  // namespace

class tst_label_cups : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void labelReachesQueueAndDecodes();
    void discardedLabelIsNeverQueued();

  private:
    QStringList outputs() const {
        return QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
    // The document the queue wrote since `before`; empty unless it wrote exactly one.
    QString newOutput(const QStringList& before) const {
        QStringList added = outputs();
        added.removeIf([&](const QString& f) { return before.contains(f); });
        return added.size() == 1 ? outDir + QLatin1Char('/') + added.first() : QString();
    }
    void fill(const QString& value);
    // Whether the queue still holds jobs that are not done.
    bool busy() const {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue});
        lpstat.waitForFinished(10000);
        return !lpstat.readAllStandardOutput().trimmed().isEmpty();
    }

    QString queue;
    QString outDir;
    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<platform::QtPrinterSystem> printers;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_label_cups::initTestCase() {
    queue = qEnvironmentVariable("PELLIX_TEST_CUPS_QUEUE");
    outDir = qEnvironmentVariable("PELLIX_TEST_CUPS_OUT");
    if (queue.isEmpty() || outDir.isEmpty()) {
        // A CI run that lost its queue must not pass by testing nothing.
        if (qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            QFAIL("CI=true, but PELLIX_TEST_CUPS_QUEUE and PELLIX_TEST_CUPS_OUT name no queue");
        QSKIP("PELLIX_TEST_CUPS_QUEUE and PELLIX_TEST_CUPS_OUT name no queue");
    }
    for (const char* tool : {"lpstat", "pdftotext", "pdftoppm", "zbarimg"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
}

void tst_label_cups::init() {
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    printers = std::make_unique<platform::QtPrinterSystem>();
    ts = std::make_unique<test::TestServices>(*printers);
    registry = test::programWindows(*ts);
    // Bound by name as a saved printer choice is, with A5 paper.
    bool bound = false;
    QVERIFY(printer::PrinterSetup::SelectPrinter(ts->services, queue.toLower(), 11, 1, 7, bound));
    QVERIFY(bound);
    QCOMPARE(printers->get(platform::PrinterProperty::PaperSize), std::optional<int>(11));
}

void tst_label_cups::cleanup() {
    registry.reset();
    printers.reset();
    ts.reset();
    home.reset();
}

void tst_label_cups::fill(const QString& value) {
    auto* form = registry->load<printing::F_CustInput>();
    form->Text1->setText(value);
    form->Text2->setText(QStringLiteral("りんごじゅうす"));
    form->Text3->setText(QStringLiteral("青森県産"));
    form->Text4->setText(QStringLiteral("1500"));
    form->Text5->setText(QStringLiteral("JAN-") + value);
    form->Text8->setText(value);
    form->Textsize1->setText(QStringLiteral("10"));
    form->Textsize2->setText(QStringLiteral("20"));
    form->Textsize3->setText(QStringLiteral("0"));
    platform::BarcodeCopy(form->Text5->text().toLatin1(), 5, 25, 1, form->Picture2);
}

void tst_label_cups::labelReachesQueueAndDecodes() {
    const QStringList before = outputs();
    fill(QStringLiteral("4901234567894"));
    const Result st = printing::printLabel(registry->context());
    QVERIFY2(st, qPrintable(st.message));
    // The spooler works on its own; wait until it has written its file.
    QTRY_VERIFY_WITH_TIMEOUT(!busy(), 60000);
    const QString pdf = newOutput(before);
    QVERIFY2(!pdf.isEmpty(), "the queue did not write exactly one document");
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY2(text.contains(QStringLiteral("りんごじゅうす")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("青森県産")), qPrintable(text));
    QCOMPARE(decode(pdf), QStringLiteral("EAN-13:4901234567894"));
}

void tst_label_cups::discardedLabelIsNeverQueued() {
    const QStringList before = outputs();
    fill(QStringLiteral("4901234567894"));
    QMetaObject::invokeMethod(
        this, [this] { registry->find<printing::frmprinting>()->comcancel1->click(); },
        Qt::QueuedConnection);
    QVERIFY(printing::printLabel(registry->context()));
    // A label printed after it is the only one that comes out: the queue keeps its order.
    fill(QStringLiteral("45678905"));
    QVERIFY(printing::printLabel(registry->context()));
    QTRY_VERIFY_WITH_TIMEOUT(!busy(), 60000);
    const QString pdf = newOutput(before);
    QVERIFY2(!pdf.isEmpty(), "the queue did not write exactly one document");
    QCOMPARE(decode(pdf), QStringLiteral("EAN-8:45678905"));
}

QTEST_MAIN(tst_label_cups)
#include "tst_label_cups.moc"
