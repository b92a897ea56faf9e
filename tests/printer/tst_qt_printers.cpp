// The printer services on Qt PrintSupport, through the built-in PDF printer, which exists on
// every machine.
#include "platform/PrintSetupDialog.h"
#include "platform/QtPrinters.h"

#include <QPainter>
#include <QPrinter>
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
    void outputFolderFromEnvironment();
    void namesRecordCutsWholeCharacters();
    void dialogRecordsRoundTrip_data();
    void dialogRecordsRoundTrip();

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

void tst_qt_printers::dialogRecordsRoundTrip_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("widthTenths");
    QTest::addColumn<int>("lengthTenths");
    QTest::addColumn<int>("orientation");
    QTest::newRow("A4 portrait") << 9 << 0 << 0 << 1;
    QTest::newRow("B5 landscape") << 13 << 0 << 0 << 2;
    QTest::newRow("user-defined 100 x 150") << 256 << 1000 << 1500 << 1;
}

void tst_qt_printers::dialogRecordsRoundTrip() {
    // What the real dialog starts from and answers when the user confirms without changes.
    QFETCH(int, paper);
    QFETCH(int, widthTenths);
    QFETCH(int, lengthTenths);
    QFETCH(int, orientation);
    platform::PRINTDLG d;
    d.hDevNames = platform::DEVNAMES::make(QStringLiteral("Pellix"), QStringLiteral("Pellix PDF"),
                                           QStringLiteral("/tmp/labels"));
    platform::DEVMODE dm;
    dm.dmDeviceName = QStringLiteral("Pellix PDF");
    dm.dmFields = platform::DM_PAPERSIZE | platform::DM_ORIENTATION | platform::DM_DEFAULTSOURCE;
    if (paper == 256) dm.dmFields |= platform::DM_PAPERWIDTH | platform::DM_PAPERLENGTH;
    dm.dmPaperSize = std::int16_t(paper);
    dm.dmPaperWidth = std::int16_t(widthTenths);
    dm.dmPaperLength = std::int16_t(lengthTenths);
    dm.dmOrientation = std::int16_t(orientation);
    dm.dmDefaultSource = 7;
    d.hDevMode = dm;

    QPrinter printer(QPrinter::HighResolution);
    platform::printerFromRecords(d, printer);
    platform::PRINTDLG answer = d;
    platform::recordsFromPrinter(printer, answer);
    QCOMPARE(answer.hDevNames, d.hDevNames);
    QCOMPARE(answer.hDevMode->dmDeviceName, QStringLiteral("Pellix PDF"));
    QCOMPARE(answer.hDevMode->dmPaperSize, paper);
    QCOMPARE(answer.hDevMode->dmPaperWidth, widthTenths);
    QCOMPARE(answer.hDevMode->dmPaperLength, lengthTenths);
    QCOMPARE(answer.hDevMode->dmOrientation, orientation);
    QCOMPARE(answer.hDevMode->dmDefaultSource, 7);
    QCOMPARE(bool(answer.hDevMode->dmFields & platform::DM_PAPERWIDTH), paper == 256);
}

QTEST_MAIN(tst_qt_printers)
#include "tst_qt_printers.moc"
