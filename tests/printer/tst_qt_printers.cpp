// The printer services on Qt PrintSupport, through the built-in PDF printer, which exists on
// every machine.
#include "platform/PrintSetupDialog.h"
#include "platform/qt/QtPrinters.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPainter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace pellix;
using platform::PrinterProperty;

class tst_qt_printers : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void startsOnCupsDefaultOrPdf();
    void pdfPrinterComesLast();
    void pdfPaperCodes();
    void paperCodeSetsPageSize_data();
    void paperCodeSetsPageSize();
    void rejectedSettingsKeepTheirValues_data();
    void rejectedSettingsKeepTheirValues();
    void userDefinedPaper();
    void papersAreWhatSettingWouldGive_data();
    void papersAreWhatSettingWouldGive();
    void outputFolderFromEnvironment();
    void namesRecordCutsWholeCharacters();
    void setupWindowRoundTrip_data();
    void setupWindowRoundTrip();
    void setupWindowChoice();
    void setupDialogOffersPrintersNotFiles();

  private:
    std::unique_ptr<platform::QtPrinterSystem> printers;
    int pdf = -1;
};

void tst_qt_printers::init() {
    printers = std::make_unique<platform::QtPrinterSystem>();
    pdf = int(printers->installedPrinters().indexOf(platform::kPdfPrinterName));
    QVERIFY(printers->bind(pdf));
}

void tst_qt_printers::cleanup() {
    printers.reset();
}

void tst_qt_printers::startsOnCupsDefaultOrPdf() {
    const platform::QtPrinterSystem fresh;
    const QString cupsDefault = QPrinterInfo::defaultPrinterName();
    QCOMPARE(
        fresh.deviceName(),
        std::optional<QString>(cupsDefault.isEmpty() ? QStringLiteral("Pellix PDF") : cupsDefault));
    QCOMPARE(fresh.installedPrinters().mid(0, fresh.installedPrinters().size() - 1),
             QPrinterInfo::availablePrinterNames());
}

void tst_qt_printers::pdfPrinterComesLast() {
    const QStringList names = printers->installedPrinters();
    QCOMPARE(names.last(), QStringLiteral("Pellix PDF"));
    QCOMPARE(names.count(QStringLiteral("Pellix PDF")), 1);
    QCOMPARE(printers->deviceName(), std::optional<QString>(QStringLiteral("Pellix PDF")));
    // A fresh binding has the printer's own defaults: A4 portrait.
    QCOMPARE(printers->get(PrinterProperty::PaperSize), std::optional<int>(9));
    QCOMPARE(printers->get(PrinterProperty::Orientation), std::optional<int>(1));
}

void tst_qt_printers::pdfPaperCodes() {
    const QList<int> codes = printers->acceptedPaperCodes(pdf);
    QVERIFY(std::is_sorted(codes.begin(), codes.end()));
    for (int code = 0; code <= 1025; ++code) {
        const bool known =
            code == 256 || (code >= 1 && code <= 1024 && QPageSize::id(code) != QPageSize::Custom);
        QVERIFY2(codes.contains(code) == known, qPrintable(QString::number(code)));
    }
}

void tst_qt_printers::paperCodeSetsPageSize_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");
    QTest::newRow("A4") << 9 << 210.0 << 297.0;
    QTest::newRow("Letter") << 1 << 215.9 << 279.4;
    QTest::newRow("B5 (JIS)") << 13 << 182.0 << 257.0;
}

void tst_qt_printers::paperCodeSetsPageSize() {
    QFETCH(int, code);
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    QVERIFY(printers->set(PrinterProperty::PaperSize, code));
    QCOMPARE(printers->get(PrinterProperty::PaperSize), std::optional<int>(code));
    QVERIFY(qAbs(*printers->width() - widthMm * 1440 / 25.4) < 15);
    QVERIFY(qAbs(*printers->height() - heightMm * 1440 / 25.4) < 15);
    QVERIFY(printers->set(PrinterProperty::Orientation, 2));
    QVERIFY(qAbs(printers->printableAreaMm().width() - heightMm) < 0.5);
    QVERIFY(qAbs(*printers->width() - widthMm * 1440 / 25.4) < 15);  // the paper, not the page
}

void tst_qt_printers::rejectedSettingsKeepTheirValues_data() {
    QTest::addColumn<PrinterProperty>("property");
    QTest::addColumn<int>("value");
    QTest::newRow("unknown paper") << PrinterProperty::PaperSize << 1023;
    QTest::newRow("no paper") << PrinterProperty::PaperSize << 0;
    QTest::newRow("orientation") << PrinterProperty::Orientation << 3;
    QTest::newRow("paper source") << PrinterProperty::PaperBin << 0;
    QTest::newRow("duplex on PDF") << PrinterProperty::Duplex << 2;
    QTest::newRow("colour") << PrinterProperty::ColorMode << 5;
    QTest::newRow("zoom") << PrinterProperty::Zoom << 150;
    QTest::newRow("quality") << PrinterProperty::PrintQuality << 0;
}

void tst_qt_printers::rejectedSettingsKeepTheirValues() {
    QFETCH(PrinterProperty, property);
    QFETCH(int, value);
    const auto before = printers->get(property);
    QVERIFY(before);
    QVERIFY(!printers->set(property, value));
    QCOMPARE(printers->get(property), before);
}

void tst_qt_printers::userDefinedPaper() {
    QVERIFY(printers->set(PrinterProperty::PaperSize, 256));
    QVERIFY(printers->setWidth(100 * 1440 / 25.4));
    QVERIFY(printers->setHeight(150 * 1440 / 25.4));
    QCOMPARE(printers->get(PrinterProperty::PaperSize), std::optional<int>(256));
    QVERIFY(qAbs(printers->printableAreaMm().width() - 100) < 1e-6);
    QVERIFY(qAbs(printers->printableAreaMm().height() - 150) < 1e-6);
    QVERIFY(!printers->setWidth(0));
}

void tst_qt_printers::papersAreWhatSettingWouldGive_data() {
    QTest::addColumn<QString>("printer");  // empty: the CUPS queue of the test run
    QTest::addColumn<int>("code");
    QTest::addColumn<QSizeF>("userDefinedMm");
    QTest::newRow("Pellix PDF on A4") << platform::kPdfPrinterName << 9 << QSizeF();
    QTest::newRow("Pellix PDF on user-defined 100 x 150 mm")
        << platform::kPdfPrinterName << 256 << QSizeF(100, 150);
    QTest::newRow("CUPS queue on A4") << QString() << 9 << QSizeF();
}

void tst_qt_printers::papersAreWhatSettingWouldGive() {
    QFETCH(QString, printer);
    QFETCH(int, code);
    QFETCH(QSizeF, userDefinedMm);
    if (printer.isEmpty()) {
        printer = qEnvironmentVariable("PELLIX_TEST_CUPS_QUEUE");
        if (printer.isEmpty()) {
            // A CI run that lost its queue must not pass by testing nothing.
            if (qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                QFAIL("CI=true, but PELLIX_TEST_CUPS_QUEUE names no queue");
            QSKIP("PELLIX_TEST_CUPS_QUEUE names no queue");
        }
    }
    const int index = int(printers->installedPrinters().indexOf(printer));
    QVERIFY2(index >= 0, qPrintable(printer));
    QVERIFY(printers->bind(index));
    const auto putPaper = [&] {
        QVERIFY(printers->set(PrinterProperty::PaperSize, code));
        if (!userDefinedMm.isValid()) return;
        QVERIFY(printers->setWidth(userDefinedMm.width() * 1440 / 25.4));
        QVERIFY(printers->setHeight(userDefinedMm.height() * 1440 / 25.4));
    };
    putPaper();
    const auto width = printers->width();
    const auto height = printers->height();

    const QList<platform::Paper> papers = printers->papers();
    QCOMPARE(printers->get(PrinterProperty::PaperSize), std::optional<int>(code));
    QCOMPARE(printers->width(), width);
    QCOMPARE(printers->height(), height);

    QList<int> codes;
    for (const platform::Paper& paper : papers) codes << paper.code;
    QCOMPARE(codes, printers->acceptedPaperCodes(index));
    for (const platform::Paper& paper : papers) {
        putPaper();
        QVERIFY(printers->set(PrinterProperty::PaperSize, paper.code));
        QVERIFY2(paper.twips, qPrintable(QString::number(paper.code)));
        QCOMPARE(paper.twips->width(), *printers->width());
        QCOMPARE(paper.twips->height(), *printers->height());
    }
}

void tst_qt_printers::outputFolderFromEnvironment() {
    QTemporaryDir dir;
    qputenv(platform::kPdfDirVariable, dir.path().toUtf8());
    QCOMPARE(platform::pdfOutputDir(), dir.path());
    QCOMPARE(printers->port(), std::optional<QString>(dir.path()));
    std::unique_ptr<platform::PrintDocument> doc;
    const Result opened = printers->openDocument(doc);
    QVERIFY2(opened && doc, qPrintable(opened.message));
    doc->painter().drawLine(0, 0, 100, 100);
    QVERIFY(doc->newPage());
    QVERIFY(doc->finish());
    QVERIFY(printers->flush());
    QVERIFY(QFile::exists(dir.path() + QStringLiteral("/label-000001.pdf")));
    qunsetenv(platform::kPdfDirVariable);
    QCOMPARE(platform::pdfOutputDir(), QDir::homePath() + QStringLiteral("/Pellix/labels"));
}

void tst_qt_printers::namesRecordCutsWholeCharacters() {
    const QString device = QString(200, QChar(u'あ'));  // 600 bytes in UTF-8
    const platform::DEVNAMES names =
        platform::DEVNAMES::make(QStringLiteral("CUPS"), device, QStringLiteral("lp"));
    QCOMPARE(names.area.size(), 256);
    QCOMPARE(names.driver(), QStringLiteral("CUPS"));
    QCOMPARE(names.device(), QString(83, QChar(u'あ')));  // 251 bytes left: 83 whole characters
    QCOMPARE(names.output(), QString());
}

void tst_qt_printers::setupWindowRoundTrip_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("widthTenths");
    QTest::addColumn<int>("lengthTenths");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("color");
    QTest::newRow("A4 portrait") << 9 << 0 << 0 << 1 << 2;
    QTest::newRow("B5 landscape, monochrome") << 13 << 0 << 0 << 2 << 1;
    QTest::newRow("user-defined 100 x 150") << 256 << 1000 << 1500 << 1 << 1;
    QTest::newRow("user-defined at the record's limit") << 256 << 1 << 32767 << 2 << 2;
}

void tst_qt_printers::setupWindowRoundTrip() {
    // What the window shows for the records and answers when the user confirms without changes.
    QFETCH(int, paper);
    QFETCH(int, widthTenths);
    QFETCH(int, lengthTenths);
    QFETCH(int, orientation);
    QFETCH(int, color);
    platform::PRINTDLG d;
    d.hDevNames = platform::DEVNAMES::make(QStringLiteral("Pellix"), QStringLiteral("Pellix PDF"),
                                           QStringLiteral("/tmp/labels"));
    platform::DEVMODE dm;
    dm.dmDeviceName = QStringLiteral("Pellix PDF");
    dm.dmFields = platform::DM_PAPERSIZE | platform::DM_ORIENTATION | platform::DM_DEFAULTSOURCE |
                  platform::DM_COLOR | platform::DM_DUPLEX | platform::DM_PRINTQUALITY;
    if (paper == 256) dm.dmFields |= platform::DM_PAPERWIDTH | platform::DM_PAPERLENGTH;
    dm.dmPaperSize = std::int16_t(paper);
    dm.dmPaperWidth = std::int16_t(widthTenths);
    dm.dmPaperLength = std::int16_t(lengthTenths);
    dm.dmOrientation = std::int16_t(orientation);
    dm.dmColor = std::int16_t(color);
    dm.dmDuplex = 1;
    dm.dmDefaultSource = 7;
    dm.dmPrintQuality = 600;
    d.hDevMode = dm;

    platform::PrintSetupWindow window;
    window.load(d);
    QCOMPARE(window.printers->currentText(), QStringLiteral("Pellix PDF"));
    QCOMPARE(window.paper->currentData().toInt(), paper);
    QCOMPARE(window.paperWidth->isEnabled(), paper == 256);
    platform::PRINTDLG answer = d;
    window.store(answer);
    QCOMPARE(answer.hDevNames, d.hDevNames);
    QCOMPARE(answer.hDevMode, d.hDevMode);
}

void tst_qt_printers::setupWindowChoice() {
    // The user picks a user-defined page, turns it and asks for monochrome; a length beyond the
    // record's 16 bits cannot be typed in.
    platform::PRINTDLG d;
    d.hDevNames = platform::DEVNAMES::make(QStringLiteral("Pellix"), QStringLiteral("Pellix PDF"),
                                           QStringLiteral("/tmp/labels"));
    d.hDevMode = platform::DEVMODE{};
    d.hDevMode->dmFields = platform::DM_PAPERSIZE | platform::DM_COLOR;
    d.hDevMode->dmPaperSize = 9;
    d.hDevMode->dmColor = 2;
    platform::PrintSetupWindow window;
    window.load(d);
    QVERIFY(!window.paperWidth->isEnabled());
    // "Pellix PDF" prints on one side only.
    QCOMPARE(window.duplex->count(), 1);
    window.paper->setCurrentIndex(window.paper->findData(256));
    QVERIFY(window.paperWidth->isEnabled());
    window.paperWidth->setValue(100);
    window.paperHeight->setValue(10000);
    window.orientation->setCurrentIndex(window.orientation->findData(2));
    window.color->setCurrentIndex(window.color->findData(1));
    window.store(d);
    QCOMPARE(d.hDevMode->dmPaperSize, 256);
    QCOMPARE(d.hDevMode->dmPaperWidth, 1000);
    QCOMPARE(d.hDevMode->dmPaperLength, 32767);
    QCOMPARE(d.hDevMode->dmOrientation, 2);
    QCOMPARE(d.hDevMode->dmColor, 1);
    QCOMPARE(d.hDevMode->dmDuplex, 1);
    QVERIFY(d.hDevMode->dmFields & platform::DM_PAPERWIDTH);
}

void tst_qt_printers::setupDialogOffersPrintersNotFiles() {
    // Every printer, "Pellix PDF" among them, is offered as a printer; there is no output file to
    // choose, since "Pellix PDF" names its files itself.
    platform::QtPrintSetupDialog dialog;
    QStringList offered;
    QStringList textFields;
    dialog.exec = [&](QDialog& window) {
        window.show();
        auto* printers = window.findChild<QComboBox*>(QStringLiteral("printers"));
        if (!printers) return int(QDialog::Rejected);
        for (int i = 0; i < printers->count(); ++i) offered << printers->itemText(i);
        for (QLineEdit* field : window.findChildren<QLineEdit*>())
            if (field->isVisible() && !qobject_cast<QAbstractSpinBox*>(field->parent()))
                textFields << field->objectName();
        printers->setCurrentIndex(printers->findText(platform::kPdfPrinterName));
        window.accept();
        return window.result();
    };
    platform::PRINTDLG d;
    d.hDevNames = platform::DEVNAMES::make(QStringLiteral("CUPS"), QStringLiteral("LP-100"),
                                           QStringLiteral("cups:LP-100"));
    d.hDevMode = platform::DEVMODE{};
    d.hDevMode->dmFields = platform::DM_PAPERSIZE;
    d.hDevMode->dmPaperSize = 9;
    QVERIFY(dialog.run(d));
    QCOMPARE(offered,
             QPrinterInfo::availablePrinterNames() + QStringList{platform::kPdfPrinterName});
    QCOMPARE(textFields, QStringList{});
    QCOMPARE(d.hDevNames->device(), platform::kPdfPrinterName);
    QCOMPARE(d.hDevNames->output(), platform::pdfOutputDir());
    QCOMPARE(d.hDevMode->dmDeviceName, platform::kPdfPrinterName);
}

QTEST_MAIN(tst_qt_printers)
#include "tst_qt_printers.moc"
