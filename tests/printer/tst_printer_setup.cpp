// Printer binding through the print set-up dialog, with a scripted printer collection and
// scripted dialog answers.
#include "platform/MessageBoxes.h"
#include "printer/PrinterList.h"
#include "printer/PrinterSetup.h"
#include "support/PrinterDoubles.h"

#include <QTest>
#include <QWidget>

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
    void rejectedPaperGivesOneMessage_data();
    void rejectedPaperGivesOneMessage();
    void cancelLeavesRestoredChoice();
    void restoreBeforeAnySave();
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
    QVERIFY(ts.printers.bind(1));
    ts.printSetup.expect(Dialog::confirm());
    QWidget owner;
    QVERIFY(PS::OpenPrinterDialog(ts.services, platform::PD_PRINTSETUP, &owner));

    const platform::PRINTDLG& sent = ts.printSetup.shown.first();
    QCOMPARE(sent.hDevMode->dmDeviceName, b.left(32));
    QCOMPARE(sent.hDevMode->dmDeviceName, a.left(32));
    QCOMPARE(sent.hDevNames->device(), b);
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
