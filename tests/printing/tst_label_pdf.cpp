// One label printed through the real printer services to "Pellix PDF", checked with poppler
// and zbar as a reader of the printed page would see it.
#include "platform/Barcode.h"
#include "platform/qt/QtPrinters.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/WindowRegistry.h"
#include "support/TestServices.h"
#include "support/TestWindows.h"

#include <sys/resource.h>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace pellix;

namespace {

struct Word {
    QString text;
    double xMm = 0;
    double yMm = 0;
};

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Words of the first page with their top left corners in millimetres.
QList<Word> words(const QString& pdf) {
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    QList<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out << Word{m.captured(3), m.captured(1).toDouble() * 25.4 / 72,
                    m.captured(2).toDouble() * 25.4 / 72};
    }
    return out;
}

}  // namespace

class tst_label_pdf : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void labelTextsAtTheirPositions_data();
    void labelTextsAtTheirPositions();
    void barcodeDecodesFromRaster();
    void discardedLabelLeavesNoFile();
    void eachLabelIsANumberedFile();
    void discardAfterAHandedOverLabelLeavesOnlyThatOne();
    void eachRunNumbersOnFromTheFolder();
    void failureOfAnEarlierLabelComesBackOnce();
    void failedWriteDiscardsTheLabel_data();
    void failedWriteDiscardsTheLabel();
    void crashWhileWritingLeavesNoLabel();
    void everyTextSizePrints_data();
    void everyTextSizePrints();

  private:
    QString printOne();
    QString labelsDir() const { return out->path() + QStringLiteral("/labels"); }
    // Every entry of the output folder, hidden ones included.
    QStringList everyFile() const {
        return QDir(labelsDir())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> out;
    std::unique_ptr<test::TempConfigHome> home;
    std::unique_ptr<test::TestServices> ts;
    std::unique_ptr<platform::QtPrinterSystem> printers;
    std::unique_ptr<shell::WindowRegistry> registry;
};

void tst_label_pdf::initTestCase() {
    for (const char* tool : {"pdftotext", "pdftoppm", "zbarimg"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
}

void tst_label_pdf::init() {
    out = std::make_unique<QTemporaryDir>();
    qputenv(platform::kPdfDirVariable, (out->path() + QStringLiteral("/labels")).toUtf8());
    home = std::make_unique<test::TempConfigHome>();
    home->installDefaults();
    printers = std::make_unique<platform::QtPrinterSystem>();
    // Whatever CUPS offers on this machine, print to the built-in PDF printer.
    QVERIFY(printers->bind(int(printers->installedPrinters().indexOf(platform::kPdfPrinterName))));
    ts = std::make_unique<test::TestServices>(*printers);
    registry = test::programWindows(*ts);

    auto* form = registry->load<printing::F_CustInput>();
    form->Text1->setText(QStringLiteral("4901234567894"));
    form->Text2->setText(QStringLiteral(
        "りんごじゅうす"));  // one script: pdftotext splits words where the script changes
    form->Text3->setText(QStringLiteral("青森県産"));
    form->Text4->setText(QStringLiteral("1500"));
    form->Text5->setText(QStringLiteral("JAN-4901234567894"));
    form->Text8->setText(QStringLiteral("4901234567894"));
    form->Textsize1->setText(QStringLiteral("10"));
    form->Textsize2->setText(QStringLiteral("20"));
    form->Textsize3->setText(QStringLiteral("0"));
    QCOMPARE(platform::BarcodeCopy(form->Text5->text().toLatin1(), 5, 25, 1, form->Picture2), 1);
}

void tst_label_pdf::cleanup() {
    registry.reset();
    printers.reset();
    ts.reset();
    home.reset();
    out.reset();
    qunsetenv(platform::kPdfDirVariable);
}

QString tst_label_pdf::printOne() {
    Result st = printing::printLabel(registry->context());
    if (st) st = printers->flush();
    if (!st) qWarning("%s", qPrintable(st.message));
    const QStringList files =
        QDir(out->path() + QStringLiteral("/labels")).entryList({QStringLiteral("*.pdf")});
    return files.isEmpty() ? QString() : out->path() + QStringLiteral("/labels/") + files.last();
}

void tst_label_pdf::labelTextsAtTheirPositions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("item name") << QStringLiteral("りんごじゅうす") << 13.0 << 24.0;
    QTest::newRow("name") << QStringLiteral("青森県産") << 13.0 << 26.5;
    QTest::newRow("price") << QStringLiteral("￥1,500") << 23.0 << 29.7;
    QTest::newRow("title 2") << QStringLiteral("税込価格") << 11.0 << 31.0;
    QTest::newRow("JAN text, first group") << QStringLiteral("4") << 14.0 << 41.0;
}

void tst_label_pdf::labelTextsAtTheirPositions() {
    QFETCH(QString, text);
    QFETCH(double, x);
    QFETCH(double, y);
    const QString pdf = printOne();
    QVERIFY(!pdf.isEmpty());
    const QList<Word> found = words(pdf);
    bool seen = false;
    for (const Word& w : found) {
        // The PDF's text layer names the yen sign by its compatibility form.
        if (w.text.normalized(QString::NormalizationForm_KC) !=
            text.normalized(QString::NormalizationForm_KC))
            continue;
        seen = true;
        QVERIFY2(qAbs(w.xMm - x) <= 0.5, qPrintable(QStringLiteral("x %1 mm").arg(w.xMm)));
        QVERIFY2(qAbs(w.yMm - y) <= 0.5, qPrintable(QStringLiteral("y %1 mm").arg(w.yMm)));
    }
    QStringList all;
    for (const Word& w : found)
        all << QStringLiteral("%1 (%2, %3)").arg(w.text).arg(w.xMm).arg(w.yMm);
    QVERIFY2(
        seen,
        qPrintable(QStringLiteral("%1 not among: %2").arg(text, all.join(QStringLiteral(", ")))));
}

void tst_label_pdf::barcodeDecodesFromRaster() {
    const QString pdf = printOne();
    QVERIFY(!pdf.isEmpty());
    const QString png = out->path() + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdf, png});
    QVERIFY(QFile::exists(png + QStringLiteral(".png")));
    const QString decoded =
        run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), png + QStringLiteral(".png")});
    QCOMPARE(decoded.trimmed(), QStringLiteral("EAN-13:4901234567894"));
}

void tst_label_pdf::discardedLabelLeavesNoFile() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            auto* progress = registry->find<printing::frmprinting>();
            QVERIFY(progress);
            progress->comcancel1->click();
        },
        Qt::QueuedConnection);
    QVERIFY(printing::printLabel(registry->context()));
    QVERIFY(printers->flush());
    QVERIFY(!QDir(out->path() + QStringLiteral("/labels")).exists() ||
            QDir(out->path() + QStringLiteral("/labels")).isEmpty());
}

void tst_label_pdf::eachLabelIsANumberedFile() {
    auto* form = registry->load<printing::F_CustInput>();
    const QStringList names{QStringLiteral("いちごじゃむ"), QStringLiteral("みかんじゅうす"),
                            QStringLiteral("ぶどうぜりい"), QStringLiteral("ももかんづめ")};
    for (const QString& name : names) {
        form->Text2->setText(name);
        // The first label is much the longest to turn into PDF: a value of many lines over
        // several pages, in many characters of its own, while the others have a short one.
        QString value = QStringLiteral("4901234567894");
        if (name == names.first())
            for (char16_t c = u'亜'; c < u'亜' + 1200; ++c) value += QChar(c);
        form->Text1->setText(value);
        QVERIFY(printing::printLabel(registry->context()));
    }
    QVERIFY(printers->flush());
    // Nothing else is left in the folder: no temporary file of the writing.
    QCOMPARE(everyFile(),
             (QStringList{QStringLiteral("label-000001.pdf"), QStringLiteral("label-000002.pdf"),
                          QStringLiteral("label-000003.pdf"), QStringLiteral("label-000004.pdf")}));
    // The numbers follow the labels.
    for (int i = 0; i < names.size(); ++i) {
        const QString pdf = labelsDir() + QStringLiteral("/") + everyFile().at(i);
        bool named = false;
        for (const Word& w : words(pdf)) named = named || w.text == names[i];
        QVERIFY2(named, qPrintable(pdf));
    }
}

void tst_label_pdf::discardAfterAHandedOverLabelLeavesOnlyThatOne() {
    // The first label is still being written while the second is drawn and cancelled.
    QVERIFY(printing::printLabel(registry->context()));
    QMetaObject::invokeMethod(
        this, [this] { registry->find<printing::frmprinting>()->comcancel1->click(); },
        Qt::QueuedConnection);
    QVERIFY(printing::printLabel(registry->context()));
    QVERIFY(printers->flush());
    QCOMPARE(everyFile(), QStringList{QStringLiteral("label-000001.pdf")});
}

void tst_label_pdf::eachRunNumbersOnFromTheFolder() {
    for (int i = 0; i < 3; ++i) QVERIFY(printing::printLabel(registry->context()));
    QVERIFY(printers->flush());  // the end of a run
    // Between runs the operator removes the last two labels.
    QVERIFY(QFile::remove(labelsDir() + QStringLiteral("/label-000003.pdf")));
    QVERIFY(QFile::remove(labelsDir() + QStringLiteral("/label-000002.pdf")));
    QVERIFY(printing::printLabel(registry->context()));
    QVERIFY(printers->flush());
    QCOMPARE(everyFile(),
             (QStringList{QStringLiteral("label-000001.pdf"), QStringLiteral("label-000002.pdf")}));
}

void tst_label_pdf::failureOfAnEarlierLabelComesBackOnce() {
    // The folder cannot be made: the first label's failure comes back from a later label or
    // from the end of the run, once, and nothing is written after it.
    QFile file(out->path() + QStringLiteral("/plain"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString dir = file.fileName() + QStringLiteral("/labels");
    qputenv(platform::kPdfDirVariable, dir.toUtf8());
    QList<Result> answers;
    for (int i = 0; i < 3; ++i) answers << printing::printLabel(registry->context());
    answers << printers->flush();
    QVERIFY(answers.first());  // its own end comes before its file is written
    int failures = 0;
    for (const Result& r : answers) {
        if (r) continue;
        ++failures;
        QCOMPARE(r.kind, ErrorKind::DocumentFailed);
        QVERIFY2(r.message.contains(dir), qPrintable(r.message));
    }
    QCOMPARE(failures, 1);
    QVERIFY(printers->flush());
    QVERIFY(!QFileInfo::exists(dir));
}

void tst_label_pdf::failedWriteDiscardsTheLabel_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");  // the start of the renderer's message
    QTest::newRow("folder under a regular file")
        << QStringLiteral("under a file") << QStringLiteral("PDFの出力フォルダ");
    QTest::newRow("folder replaced by a file after the label started")
        << QStringLiteral("replaced") << QStringLiteral("PDFの出力フォルダ");
    // Stands for a full disk: the process may write no file larger than 4 KB.
    QTest::newRow("file size limit")
        << QStringLiteral("size limit") << QStringLiteral("PDFの出力フォルダ");
}

void tst_label_pdf::failedWriteDiscardsTheLabel() {
    QFETCH(QString, how);
    QFETCH(QString, message);
    QString dir = labelsDir();
    if (how == QLatin1String("under a file")) {
        QFile file(out->path() + QStringLiteral("/plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        dir = file.fileName() + QStringLiteral("/labels");
        qputenv(platform::kPdfDirVariable, dir.toUtf8());
    } else if (how == QLatin1String("replaced")) {
        QVERIFY(QDir().mkpath(dir));
        // At the renderer's one service point, while the label's document is open.
        QMetaObject::invokeMethod(
            this,
            [dir] {
                QVERIFY(QDir(dir).removeRecursively());
                QFile file(dir);
                QVERIFY(file.open(QIODevice::WriteOnly));
            },
            Qt::QueuedConnection);
    }
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    if (how == QLatin1String("size limit")) {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
        rlimit small = before;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    Result st = printing::printLabel(registry->context());
    // The file is written while the run goes on; its failure comes back at the latest when the
    // run ends.
    if (st) st = printers->flush();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, SIG_DFL);

    QVERIFY(!st);
    QCOMPARE(st.kind, ErrorKind::DocumentFailed);
    QVERIFY2(st.message.startsWith(message), qPrintable(st.message));
    QVERIFY2(st.message.contains(out->path()), qPrintable(st.message));
    QVERIFY(printers->flush());  // answered once
    if (QFileInfo(dir).isDir())
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{});
    QTRY_VERIFY(!registry->find<printing::frmprinting>());
}

void tst_label_pdf::crashWhileWritingLeavesNoLabel() {
    if (qEnvironmentVariableIsSet("PELLIX_TEST_CRASH_DIR")) {
        // In the child: the process is killed (SIGXFSZ) when the label's file passes 4 KB.
        qputenv(platform::kPdfDirVariable, qgetenv("PELLIX_TEST_CRASH_DIR"));
        rlimit limit{};
        getrlimit(RLIMIT_CORE, &limit);
        limit.rlim_cur = 0;
        setrlimit(RLIMIT_CORE, &limit);
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        (void)printing::printLabel(registry->context());
        (void)printers->flush();
        QFAIL("the label was written whole within 4 KB");
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELLIX_TEST_CRASH_DIR"), labelsDir());
    // The child's own temporary folders, which it cannot clean up, go into ours.
    QVERIFY(QDir().mkpath(out->path() + QStringLiteral("/tmp")));
    env.insert(QStringLiteral("TMPDIR"), out->path() + QStringLiteral("/tmp"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("crashWhileWritingLeavesNoLabel")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    // The crash came while the file was written (the folder is made just before). Whatever it
    // left behind is a hidden temporary file, never a file with a label's name.
    QVERIFY(QFileInfo(labelsDir()).isDir());
    for (const QString& name : everyFile())
        QVERIFY2(name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".part")),
                 qPrintable(name));
}

void tst_label_pdf::everyTextSizePrints_data() {
    QTest::addColumn<QString>("z");
    for (const char* z : {"-20", "-7", "-6", "20"})
        QTest::addRow("Z %s", z) << QString::fromLatin1(z);
}

void tst_label_pdf::everyTextSizePrints() {
    QFETCH(QString, z);
    registry->load<printing::F_CustInput>()->Textsize3->setText(z);
    const QString pdf = printOne();
    QVERIFY(!pdf.isEmpty());
    bool named = false;
    for (const Word& w : words(pdf)) named = named || w.text == QStringLiteral("青森県産");
    QVERIFY(named);
}

QTEST_MAIN(tst_label_pdf)
#include "tst_label_pdf.moc"
