#include "printer/PrinterSetup.h"

#include "platform/MessageBoxes.h"
#include "platform/PrinterSystem.h"
#include "platform/Services.h"

#include <cmath>
#include <utility>

namespace pellix::printer::PrinterSetup {

using platform::PrinterProperty;

namespace {

constexpr double kTwipsPerTenthMm = 1440.0 / 254.0;
constexpr double kTwipsPerMm = 1440.0 / 25.4;

std::int16_t tenthsOfMm(double twips) {
    return std::int16_t(std::lround(twips / kTwipsPerTenthMm));
}
double twipsOf(std::int16_t tenths) {
    return tenths * kTwipsPerTenthMm;
}

// Binds the first installed printer carrying the name; false when none does or it refuses.
bool bindByName(platform::PrinterSystem& printers, const QString& name) {
    const QStringList installed = printers.installedPrinters();
    for (int i = 0; i < installed.size(); ++i)
        if (sameDeviceName(installed[i], name)) return printers.bind(i);
    return false;
}

Result noPrinter() {
    return Result::failure(
        ErrorKind::PrinterUnknown,
        QStringLiteral("プリンタの設定を読み取れません。プリンタが使用できるか確認してください。"));
}

}  // namespace

bool sameDeviceName(const QString& a, const QString& b) {
    return a.toUpper() == b.toUpper();
}

platform::DEVMODE deviceModeOfPrinter(platform::Services& services) {
    platform::PrinterSystem& printer = services.printers;
    platform::DEVMODE dm;
    dm.dmSize = 124;
    if (const auto name = printer.deviceName())
        dm.dmDeviceName = name->left(platform::CCHDEVICENAME);

    // A setting that cannot be read stays 0 with its bit clear.
    if (const auto paper = printer.get(PrinterProperty::PaperSize)) {
        if (*paper != platform::kUserDefinedPaper) {
            dm.dmFields |= platform::DM_PAPERSIZE;
            dm.dmPaperSize = std::int16_t(*paper);
            dm.dmPaperWidth = 0;
            dm.dmPaperLength = 0;
        } else {
            const auto w = printer.width();
            const auto h = printer.height();
            // A page the record cannot carry is sent as not read, rather than wrapped around.
            if (w && h && platform::paperLengthFits(*w / kTwipsPerMm) &&
                platform::paperLengthFits(*h / kTwipsPerMm)) {
                dm.dmFields |=
                    platform::DM_PAPERSIZE | platform::DM_PAPERLENGTH | platform::DM_PAPERWIDTH;
                dm.dmPaperSize = std::int16_t(platform::kUserDefinedPaper);
                dm.dmPaperWidth = tenthsOfMm(*w);
                dm.dmPaperLength = tenthsOfMm(*h);
            }
        }
    }
    struct Field {
        PrinterProperty property;
        std::int16_t platform::DEVMODE::*field;
        std::uint32_t bit;
    };
    static constexpr Field fields[] = {
        {PrinterProperty::PaperBin, &platform::DEVMODE::dmDefaultSource,
         platform::DM_DEFAULTSOURCE},
        {PrinterProperty::PrintQuality, &platform::DEVMODE::dmPrintQuality,
         platform::DM_PRINTQUALITY},
        {PrinterProperty::ColorMode, &platform::DEVMODE::dmColor, platform::DM_COLOR},
        {PrinterProperty::Duplex, &platform::DEVMODE::dmDuplex, platform::DM_DUPLEX},
        {PrinterProperty::Orientation, &platform::DEVMODE::dmOrientation, platform::DM_ORIENTATION},
        {PrinterProperty::Zoom, &platform::DEVMODE::dmScale, platform::DM_SCALE},
    };
    for (const Field& f : fields) {
        if (const auto v = printer.get(f.property)) {
            dm.*f.field = std::int16_t(*v);
            dm.dmFields |= f.bit;
        }
    }
    return dm;
}

platform::DEVNAMES namesOfPrinter(platform::Services& services) {
    platform::PrinterSystem& printer = services.printers;
    return platform::DEVNAMES::make(printer.driverName().value_or(QString()),
                                    printer.deviceName().value_or(QString()),
                                    printer.port().value_or(QString()));
}

bool OpenPrinterDialog(platform::Services& services, std::uint32_t flags, QWidget* owner) {
    platform::PrinterSystem& printer = services.printers;
    platform::PRINTDLG dialog;
    dialog.lStructSize = 66;
    dialog.hwndOwner = owner;
    const platform::DEVMODE sentMode = deviceModeOfPrinter(services);
    const platform::DEVNAMES sentNames = namesOfPrinter(services);
    dialog.hDevMode = sentMode;
    dialog.hDevNames = sentNames;
    dialog.Flags = flags;
    if (!services.printSetup.run(dialog)) return false;

    // The records the dialog answered with; a block it did not return keeps what was sent.
    const platform::DEVMODE dm = dialog.hDevMode.value_or(sentMode);
    const platform::DEVNAMES names = dialog.hDevNames.value_or(sentNames);

    // The whole name from the names record, not the cut one of the device-mode record. A name
    // that binds nothing is no error: the settings below then go to the printer bound before.
    (void)bindByName(printer, names.device());

    bool paperRejected = false;
    if (dm.dmPaperSize != platform::kUserDefinedPaper) {
        paperRejected = !printer.set(PrinterProperty::PaperSize, dm.dmPaperSize);
    } else {
        paperRejected = !printer.set(PrinterProperty::PaperSize, platform::kUserDefinedPaper);
        paperRejected = !printer.setWidth(twipsOf(dm.dmPaperWidth)) || paperRejected;
        paperRejected = !printer.setHeight(twipsOf(dm.dmPaperLength)) || paperRejected;
    }
    if (paperRejected)
        services.messages.show(owner, kBadPaperMessage, kBadPaperTitle,
                               platform::MessageBoxes::Icon::None);

    // The rest of the answer, each setting on its own. One that the printer rejects keeps its
    // value without a message: a printer without duplex or that paper source still prints the
    // label.
    const std::pair<PrinterProperty, int> rest[] = {
        {PrinterProperty::PaperBin, dm.dmDefaultSource},
        {PrinterProperty::PrintQuality, dm.dmPrintQuality},
        {PrinterProperty::ColorMode, dm.dmColor},
        {PrinterProperty::Duplex, dm.dmDuplex},
        {PrinterProperty::Orientation, dm.dmOrientation},
        {PrinterProperty::Zoom, dm.dmScale},
    };
    for (const auto& [property, value] : rest) (void)printer.set(property, value);
    return true;
}

Result SelectPrinter(platform::Services& services, const QString& deviceName,
                     std::int16_t paperSize, std::int16_t orientation, std::int16_t paperBin,
                     bool& bound) {
    bound = false;
    platform::PrinterSystem& printer = services.printers;
    // A name that binds nothing and codes that the printer rejects are no errors: the printer
    // keeps what it had, and the answer says whether it carries the name.
    (void)bindByName(printer, deviceName);
    (void)printer.set(PrinterProperty::PaperSize, paperSize);
    (void)printer.set(PrinterProperty::Orientation, orientation);
    (void)printer.set(PrinterProperty::PaperBin, paperBin);
    const auto name = printer.deviceName();
    if (!name) return noPrinter();
    bound = sameDeviceName(*name, deviceName);
    return Result::success();
}

Result SavePrinterChoice(platform::Services& services, SavedPrinterChoice& choice) {
    platform::PrinterSystem& printer = services.printers;
    const auto name = printer.deviceName();
    if (!name) return noPrinter();
    choice.deviceName = *name;
    const auto paper = printer.get(PrinterProperty::PaperSize);
    if (!paper) return noPrinter();
    choice.paperSize = std::int16_t(*paper);
    const auto orientation = printer.get(PrinterProperty::Orientation);
    if (!orientation) return noPrinter();
    choice.orientation = std::int16_t(*orientation);
    const auto bin = printer.get(PrinterProperty::PaperBin);
    if (!bin) return noPrinter();
    choice.paperBin = std::int16_t(*bin);
    return Result::success();
}

Result RestorePrinterChoice(platform::Services& services, const SavedPrinterChoice& choice,
                            bool& bound) {
    return SelectPrinter(services, choice.deviceName, choice.paperSize, choice.orientation,
                         choice.paperBin, bound);
}

}  // namespace pellix::printer::PrinterSetup
