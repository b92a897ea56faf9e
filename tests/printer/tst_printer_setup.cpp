// Printer binding through the print set-up dialog, with a scripted printer collection and
// scripted dialog answers.
#include "platform/MessageBoxes.h"
#include "platform/qt/QtPrinters.h"
#include "printer/PrinterList.h"
#include "printer/PrinterSetup.h"
#include "support/TestServices.h"

#include <QTest>
#include <QWidget>
#include <algorithm>
#include <memory>

using namespace pellix;
using platform::PrinterProperty;
namespace PS = printer::PrinterSetup;
using Dialog = test::ScriptedPrintSetupDialog;

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;

QList<test::FakePrinter> named(const QStringList& names) {
    QList<test::FakePrinter> out;
    for (const QString& n : names) out << test::FakePrinter(n);
    return out;
}

int indexOf(const test::ScriptedPrinters& p, const QString& name) {
    return int(p.installedPrinters().indexOf(name));
}

}  // namespace

class tst_printer_setup : public QObject {
    Q_OBJECT

  private slots:
    void nameMatching_data();
    void nameMatching();
    void longNameCutInDeviceModeOnly();
    void deviceModeCarriesWhatWasRead();
    void userDefinedPaperRoundTrip();
    void paperLengthLimits_data();
    void paperLengthLimits();
    void deviceModeNeverWrapsPaperLength();
    void rejectedPaperGivesOneMessage_data();
    void rejectedPaperGivesOneMessage();
    void cancelLeavesRestoredChoice();
    void restoreBeforeAnySave();
    void restoreKeepsEverySetting_data();
    void restoreKeepsEverySetting();
    void saveFailsWithoutPrinter();
    void describesPrinters();
};

void tst_printer_setup::nameMatching_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("start");   // the application printer before
    QTest::addColumn<QString>("chosen");  // the name the dialog answers or SelectPrinter gets
    QTest::addColumn<int>("expected");    // index bound afterwards
    QTest::addColumn<bool>("matched");
    const QStringList copy{QStringLiteral("LP-100 (Copy 2)"), QStringLiteral("Other")};
    QTest::newRow("letter case") << QStringList{QStringLiteral("Other"), QStringLiteral("LP-100")}
                                 << QStringLiteral("Other") << QStringLiteral("lp-100") << 1
                                 << true;
    QTest::newRow("copy is another printer")
        << copy << QStringLiteral("Other") << QStringLiteral("LP-100") << 1 << false;
    QTest::newRow("two names differing in case")
        << QStringList{QStringLiteral("Other"), QStringLiteral("lp-100"), QStringLiteral("LP-100")}
        << QStringLiteral("Other") << QStringLiteral("Lp-100") << 1 << true;
    QTest::newRow("no trimming") << QStringList{QStringLiteral("Other"), QStringLiteral("LP-100")}
                                 << QStringLiteral("Other") << QStringLiteral("LP-100 ") << 0
                                 << false;
    QTest::newRow("unknown name keeps the printer")
        << QStringList{QStringLiteral("Other"), QStringLiteral("LP-100")}
        << QStringLiteral("LP-100") << QStringLiteral("LP-999") << 1 << false;
}

void tst_printer_setup::nameMatching() {
    QFETCH(QStringList, installed);
    QFETCH(QString, start);
    QFETCH(QString, chosen);
    QFETCH(int, expected);
    QFETCH(bool, matched);

    // SelectPrinter, with the codes it offers going to whatever printer is bound.
    {
        test::PrinterTestServices ts(named(installed));
        QVERIFY(ts.printers.bind(indexOf(ts.printers, start)));
        bool bound = false;
        QVERIFY(PS::SelectPrinter(ts.services, chosen, 11, 2, 4, bound));
        QCOMPARE(bound, matched);
        QCOMPARE(ts.printers.bound, expected);
        QCOMPARE(ts.printers.get(PrinterProperty::PaperSize), std::optional<int>(11));
        QCOMPARE(ts.printers.get(PrinterProperty::Orientation), std::optional<int>(2));
        QCOMPARE(ts.printers.get(PrinterProperty::PaperBin), std::optional<int>(4));
    }
    // The same name chosen in the dialog.
    {
        test::PrinterTestServices ts(named(installed));
        QVERIFY(ts.printers.bind(indexOf(ts.printers, start)));
        ts.printSetup.expect(Dialog::choose(chosen));
        QVERIFY(PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, nullptr));
        QCOMPARE(ts.printers.bound, expected);
        QVERIFY(ts.messages.shown.isEmpty());
    }
}

void tst_printer_setup::longNameCutInDeviceModeOnly() {
    const QString stem = QStringLiteral("Office-Floor3-Label-Printer-Queue");  // 33 characters
    const QString a = stem + QStringLiteral("-A");
    const QString b = stem + QStringLiteral("-B");
    test::PrinterTestServices ts(named({a, b}));
    QCOMPARE(ts.printers.bound, 0);
    // The user picks the second printer; both names cut to 32 characters are the same.
    ts.printSetup.expect(Dialog::choose(b));
    QWidget owner;
    QVERIFY(PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, &owner));

    const platform::PRINTDLG& sent = ts.printSetup.shown.first();
    QCOMPARE(sent.hDevMode->dmDeviceName, a.left(32));
    QCOMPARE(sent.hDevMode->dmDeviceName, b.left(32));
    QCOMPARE(sent.hDevNames->device(), a);
    // After the dialog the whole name of the names record is matched, not the cut one.
    QCOMPARE(ts.printers.bound, 1);
}

void tst_printer_setup::deviceModeCarriesWhatWasRead() {
    test::FakePrinter lp(QStringLiteral("LP-100"));
    lp.unreadable = {PrinterProperty::PaperBin};
    test::PrinterTestServices ts({lp});
    ts.printSetup.expect([](platform::PRINTDLG& d) {
        d.hDevMode->dmDefaultSource = 2;
        return true;
    });
    QWidget owner;
    QVERIFY(PS::OpenPrinterDialog(ts.services, 0x40, &owner));

    const platform::PRINTDLG& sent = ts.printSetup.shown.first();
    QCOMPARE(sent.lStructSize, 66u);
    QCOMPARE(sent.hwndOwner, &owner);
    QCOMPARE(sent.Flags, 0x40u);
    const platform::DEVMODE& dm = *sent.hDevMode;
    QCOMPARE(dm.dmSize, 124);
    QCOMPARE(dm.dmDriverExtra, 0);
    QCOMPARE(dm.dmFields, platform::DM_PAPERSIZE | platform::DM_PRINTQUALITY | platform::DM_COLOR |
                              platform::DM_DUPLEX | platform::DM_ORIENTATION | platform::DM_SCALE);
    QCOMPARE(dm.dmDefaultSource, 0);
    QCOMPARE(dm.dmCopies, 0);
    QCOMPARE(dm.dmPaperSize, 9);
    QCOMPARE(dm.dmPrintQuality, 600);
    QCOMPARE(dm.dmScale, 100);
    const platform::DEVNAMES& names = *sent.hDevNames;
    QCOMPARE(names.wDriverOffset, 8);
    QCOMPARE(names.driver(), QStringLiteral("FakeDriver"));
    QCOMPARE(names.wDeviceOffset, 8 + 11);
    QCOMPARE(names.device(), QStringLiteral("LP-100"));
    QCOMPARE(names.wOutputOffset, 8 + 11 + 7);
    QCOMPARE(names.output(), QStringLiteral("usb://fake"));
    QCOMPARE(names.area.size(), 256);

    // The unread paper source is still set from the answer.
    QCOMPARE(ts.printers.settings.value(PrinterProperty::PaperBin), 2);
}

void tst_printer_setup::userDefinedPaperRoundTrip() {
    test::PrinterTestServices ts;
    QVERIFY(ts.printers.set(PrinterProperty::PaperSize, 256));
    QVERIFY(ts.printers.setWidth(100 * kTwipsPerMm));
    QVERIFY(ts.printers.setHeight(150 * kTwipsPerMm));
    ts.printSetup.expect(Dialog::confirm());
    QVERIFY(PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, nullptr));

    const platform::DEVMODE& dm = *ts.printSetup.shown.first().hDevMode;
    QCOMPARE(dm.dmPaperSize, 256);
    QCOMPARE(dm.dmPaperWidth, 1000);
    QCOMPARE(dm.dmPaperLength, 1500);
    QVERIFY(dm.dmFields & platform::DM_PAPERWIDTH);
    QVERIFY(dm.dmFields & platform::DM_PAPERLENGTH);

    QCOMPARE(ts.printers.get(PrinterProperty::PaperSize), std::optional<int>(256));
    QVERIFY(qAbs(*ts.printers.width() / kTwipsPerMm - 100) < 1e-6);
    QVERIFY(qAbs(*ts.printers.height() / kTwipsPerMm - 150) < 1e-6);
    QVERIFY(ts.messages.shown.isEmpty());
}

void tst_printer_setup::paperLengthLimits_data() {
    // Width and length travel in tenths of a millimetre in 16-bit fields of the device-mode
    // record: 0.1 to 3276.7 mm.
    QTest::addColumn<QString>("printer");
    QTest::addColumn<double>("mm");
    QTest::addColumn<bool>("accepted");
    for (const char* printer : {"scripted", "Pellix PDF"}) {
        QTest::addRow("%s, 0.1 mm", printer) << QString::fromLatin1(printer) << 0.1 << true;
        QTest::addRow("%s, 3276.7 mm", printer) << QString::fromLatin1(printer) << 3276.7 << true;
        QTest::addRow("%s, 3276.8 mm", printer) << QString::fromLatin1(printer) << 3276.8 << false;
        QTest::addRow("%s, 10000 mm", printer) << QString::fromLatin1(printer) << 10000.0 << false;
        QTest::addRow("%s, 0 mm", printer) << QString::fromLatin1(printer) << 0.0 << false;
        QTest::addRow("%s, -0.1 mm", printer) << QString::fromLatin1(printer) << -0.1 << false;
    }
}

void tst_printer_setup::paperLengthLimits() {
    QFETCH(QString, printer);
    QFETCH(double, mm);
    QFETCH(bool, accepted);
    test::PrinterTestServices ts;
    std::unique_ptr<platform::QtPrinterSystem> real;
    platform::PrinterSystem* printers = &ts.printers;
    if (printer != QLatin1String("scripted")) {
        real = std::make_unique<platform::QtPrinterSystem>();
        QVERIFY(real->bind(int(real->installedPrinters().indexOf(printer))));
        printers = real.get();
    }
    QVERIFY(printers->set(PrinterProperty::PaperSize, 256));
    QVERIFY(printers->setWidth(100 * kTwipsPerMm));
    QVERIFY(printers->setHeight(150 * kTwipsPerMm));
    QCOMPARE(printers->setWidth(mm * kTwipsPerMm), accepted);
    QCOMPARE(printers->setHeight(mm * kTwipsPerMm), accepted);
    const double width = accepted ? mm : 100;
    const double height = accepted ? mm : 150;
    QVERIFY(qAbs(*printers->width() / kTwipsPerMm - width) < 1e-6);
    QVERIFY(qAbs(*printers->height() / kTwipsPerMm - height) < 1e-6);

    // A length from the dialog that does not fit is refused with the paper message.
    platform::Services services = ts.withPrinters(*printers);
    ts.printSetup.expect([](platform::PRINTDLG& d) {
        d.hDevMode->dmPaperWidth = 0;
        return true;
    });
    QVERIFY(PS::OpenPrinterDialog(services, platform::PD_PRINTSETUP, nullptr));
    QCOMPARE(ts.messages.shown.size(), 1);
    QCOMPARE(ts.messages.shown.first().prompt, PS::kBadPaperMessage);
}

void tst_printer_setup::deviceModeNeverWrapsPaperLength() {
    // A printer whose page is longer than the record can carry (a roll of 5 m): the paper goes
    // to the dialog as unknown, not as a negative length.
    test::PrinterTestServices ts;
    ts.printers.settings[PrinterProperty::PaperSize] = 256;
    ts.printers.userDefinedMm = QSizeF(100, 5000);
    const platform::DEVMODE dm = PS::deviceModeOfPrinter(ts.services);
    QCOMPARE(
        dm.dmFields & (platform::DM_PAPERSIZE | platform::DM_PAPERWIDTH | platform::DM_PAPERLENGTH),
        0u);
    QCOMPARE(dm.dmPaperLength, 0);
    QCOMPARE(dm.dmPaperWidth, 0);
    QVERIFY(dm.dmFields & platform::DM_ORIENTATION);
}

void tst_printer_setup::rejectedPaperGivesOneMessage_data() {
    QTest::addColumn<int>("paper");
    QTest::newRow("paper code") << 8;
    QTest::newRow("user-defined width and height") << 256;
}

void tst_printer_setup::rejectedPaperGivesOneMessage() {
    QFETCH(int, paper);
    test::FakePrinter first(QStringLiteral("LP-100"));
    test::FakePrinter narrow(QStringLiteral("LABEL-40"));
    narrow.paperCodes = {1, 9};
    test::PrinterTestServices ts({first, narrow});
    ts.printSetup.expect([paper](platform::PRINTDLG& d) {
        d.hDevNames = platform::DEVNAMES::make(QStringLiteral("FakeDriver"),
                                               QStringLiteral("LABEL-40"), QString());
        d.hDevMode->dmPaperSize = std::int16_t(paper);
        d.hDevMode->dmPaperWidth = 400;
        d.hDevMode->dmPaperLength = 300;
        d.hDevMode->dmOrientation = 2;
        d.hDevMode->dmColor = 2;
        return true;
    });
    QVERIFY(PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, nullptr));
    QCOMPARE(ts.messages.shown.size(), 1);
    QCOMPARE(ts.messages.shown.first().prompt, QStringLiteral("指定された用紙サイズが不正です"));
    QCOMPARE(ts.messages.shown.first().title, QStringLiteral("プリンタの設定"));
    QCOMPARE(ts.messages.shown.first().icon, platform::MessageBoxes::Icon::None);
    // The new printer keeps its own paper; the other settings are applied.
    QCOMPARE(ts.printers.bound, 1);
    QCOMPARE(ts.printers.get(PrinterProperty::PaperSize), std::optional<int>(9));
    QCOMPARE(ts.printers.get(PrinterProperty::Orientation), std::optional<int>(2));
    QCOMPARE(ts.printers.get(PrinterProperty::ColorMode), std::optional<int>(2));
}

void tst_printer_setup::cancelLeavesRestoredChoice() {
    test::PrinterTestServices ts(named({QStringLiteral("LP-100"), QStringLiteral("LP-200")}));
    QVERIFY(ts.printers.bind(1));
    QVERIFY(ts.printers.set(PrinterProperty::PaperSize, 11));
    QVERIFY(ts.printers.set(PrinterProperty::Orientation, 2));
    QVERIFY(ts.printers.set(PrinterProperty::PaperBin, 4));
    QVERIFY(PS::SavePrinterChoice(ts.services, ts.printerChoice));
    QCOMPARE(ts.printerChoice, (PS::SavedPrinterChoice{QStringLiteral("LP-200"), 11, 2, 4}));

    QVERIFY(ts.printers.bind(0));
    bool bound = false;
    QVERIFY(PS::RestorePrinterChoice(ts.services, ts.printerChoice, bound));
    QVERIFY(bound);
    const auto before = ts.printers.settings;
    QCOMPARE(ts.printers.bound, 1);

    ts.printSetup.expect([](platform::PRINTDLG& d) {
        // Changes made in the dialog before the user cancels count for nothing.
        d.hDevNames = platform::DEVNAMES::make(QString(), QStringLiteral("LP-100"), QString());
        d.hDevMode->dmPaperSize = 9;
        return false;
    });
    QVERIFY(!PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, nullptr));
    QCOMPARE(ts.printers.bound, 1);
    QCOMPARE(ts.printers.settings, before);
    QCOMPARE(ts.printers.get(PrinterProperty::PaperSize), std::optional<int>(11));
    QVERIFY(ts.messages.shown.isEmpty());
}

void tst_printer_setup::restoreBeforeAnySave() {
    test::PrinterTestServices ts(named({QStringLiteral("LP-100"), QStringLiteral("LP-200")}));
    QVERIFY(ts.printers.bind(1));
    const auto before = ts.printers.settings;
    bool bound = true;
    QVERIFY(PS::RestorePrinterChoice(ts.services, ts.printerChoice, bound));
    QVERIFY(!bound);
    QCOMPARE(ts.printers.bound, 1);
    QCOMPARE(ts.printers.settings, before);  // codes 0 are rejected
    QVERIFY(ts.messages.shown.isEmpty());
}

void tst_printer_setup::restoreKeepsEverySetting_data() {
    QTest::addColumn<QString>("printer");  // "scripted" or the name of a real printer
    QTest::addColumn<bool>("duplex");      // whether the printer must print on both sides
    QTest::newRow("scripted queue") << QStringLiteral("scripted") << true;
    QTest::newRow("Pellix PDF") << platform::kPdfPrinterName << false;
    QTest::newRow("CUPS queue") << qEnvironmentVariable("PELLIX_TEST_CUPS_QUEUE") << false;
}

void tst_printer_setup::restoreKeepsEverySetting() {
    // With a printer choice per run the saved choice is applied again before every label; the
    // page, colour and duplex confirmed in the dialog must survive that.
    QFETCH(QString, printer);
    QFETCH(bool, duplex);
    test::FakePrinter colourQueue(QStringLiteral("LP-100"));
    colourQueue.defaults[PrinterProperty::ColorMode] = 2;
    test::PrinterTestServices ts({test::FakePrinter(QStringLiteral("Other")), colourQueue});
    std::unique_ptr<platform::QtPrinterSystem> real;
    platform::PrinterSystem* printers = &ts.printers;
    QString name = QStringLiteral("LP-100");
    if (printer != QLatin1String("scripted")) {
        if (printer.isEmpty()) QSKIP("PELLIX_TEST_CUPS_QUEUE names no CUPS queue");
        real = std::make_unique<platform::QtPrinterSystem>();
        printers = real.get();
        name = printer;
    }
    const int index = int(printers->installedPrinters().indexOf(name));
    QVERIFY2(index >= 0, qPrintable(name));
    QVERIFY(printers->bind(index));
    // A queue without user-defined sizes gets a listed paper other than its own default.
    const QList<int> papers = printers->acceptedPaperCodes(index);
    const bool userDefined = papers.contains(256);
    int paper = 256;
    if (userDefined) {
        QVERIFY(printers->set(PrinterProperty::PaperSize, 256));
        QVERIFY(printers->setWidth(100 * kTwipsPerMm));
        QVERIFY(printers->setHeight(150 * kTwipsPerMm));
    } else {
        const auto own = printers->get(PrinterProperty::PaperSize);
        const auto other = std::find_if(papers.begin(), papers.end(),
                                        [&](int code) { return std::optional<int>(code) != own; });
        QVERIFY2(other != papers.end(), qPrintable(name));
        paper = *other;
        QVERIFY(printers->set(PrinterProperty::PaperSize, paper));
    }
    // Monochrome on a colour printer, colour on one that prints monochrome unless told.
    const int colour = printers->get(PrinterProperty::ColorMode) == 1 ? 2 : 1;
    QVERIFY(printers->set(PrinterProperty::ColorMode, colour));
    QVERIFY(printers->set(PrinterProperty::PrintQuality, 300));
    const bool twoSided = printers->set(PrinterProperty::Duplex, 2);
    if (duplex) QVERIFY(twoSided);
    // Every setting as text, so that a difference names the setting.
    const auto settings = [printers] {
        const char* names[] = {"paper",  "orientation", "bin", "quality",
                               "colour", "duplex",      "zoom"};
        QStringList values;
        for (int p = 0; p <= int(PrinterProperty::Zoom); ++p) {
            const auto v = printers->get(PrinterProperty(p));
            values << QStringLiteral("%1=%2").arg(QLatin1String(names[p]),
                                                  v ? QString::number(*v) : QStringLiteral("?"));
        }
        values << QStringLiteral("%1 x %2 mm")
                      .arg(printers->width().value_or(0) / kTwipsPerMm, 0, 'f', 1)
                      .arg(printers->height().value_or(0) / kTwipsPerMm, 0, 'f', 1);
        return values;
    };
    const QStringList chosen = settings();
    QCOMPARE(chosen[0], QStringLiteral("paper=%1").arg(paper));
    QCOMPARE(chosen[3], QStringLiteral("quality=300"));
    QCOMPARE(chosen[4], QStringLiteral("colour=%1").arg(colour));
    if (twoSided) QCOMPARE(chosen[5], QStringLiteral("duplex=2"));
    if (userDefined) QCOMPARE(chosen[7], QStringLiteral("100.0 x 150.0 mm"));

    platform::Services services = ts.withPrinters(*printers);
    QVERIFY(PS::SavePrinterChoice(services, ts.printerChoice));
    for (int label = 0; label < 2; ++label) {
        bool bound = false;
        QVERIFY(PS::RestorePrinterChoice(services, ts.printerChoice, bound));
        QVERIFY(bound);
        QVERIFY(PS::SavePrinterChoice(services, ts.printerChoice));
        QCOMPARE(printers->deviceName(), std::optional<QString>(name));
        QCOMPARE(settings(), chosen);
    }
    QVERIFY(ts.messages.shown.isEmpty());
}

void tst_printer_setup::saveFailsWithoutPrinter() {
    test::PrinterTestServices ts(QList<test::FakePrinter>{});
    const Result r = PS::SavePrinterChoice(ts.services, ts.printerChoice);
    QVERIFY(!r);
    QCOMPARE(r.kind, ErrorKind::PrinterUnknown);
    QVERIFY(!r.message.isEmpty());
    QCOMPARE(ts.printerChoice, PS::SavedPrinterChoice{});
    bool bound = true;
    QCOMPARE(PS::SelectPrinter(ts.services, QStringLiteral("LP-100"), 9, 1, 7, bound).kind,
             ErrorKind::PrinterUnknown);
    QVERIFY(!bound);
}

void tst_printer_setup::describesPrinters() {
    test::FakePrinter a(QStringLiteral("LP-100"));
    test::FakePrinter b(QStringLiteral("LABEL-40"));
    b.paperCodes = {9, 256};
    test::PrinterTestServices ts({a, b});
    QVERIFY(ts.printers.bind(1));
    QCOMPARE(printer::describePrinters(ts.printers),
             QStringLiteral("  LP-100\t1,9,11,256\n* LABEL-40\t9,256\n"));
}

QTEST_MAIN(tst_printer_setup)
#include "tst_printer_setup.moc"
