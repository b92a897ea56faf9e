#include "printer/PrinterSetup.h"

#include "platform/MessageBoxes.h"
#include "platform/PrinterSystem.h"
#include "platform/Services.h"

#include <cmath>

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

// Binds the first installed printer carrying the name; false when none does.
bool bindByName(platform::PrinterSystem& printers, const QString& name) {
    const QStringList installed = printers.installedPrinters();
    for (int i = 0; i < installed.size(); ++i)
        if (sameDeviceName(installed[i], name)) return printers.bind(i);
    return false;
}

Outcome failure(const QString& message) {
    return Outcome{false, false, message};
}

const QString kNoPrinter =
    QStringLiteral("プリンタの設定を読み取れません。プリンタが使用できるか確認してください。");

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

Outcome OpenPrinterDialog(platform::Services& services, std::uint32_t flags, QWidget* owner) {
    platform::PrinterSystem& printer = services.printers;
    platform::PRINTDLG dialog;
    dialog.lStructSize = 66;
    dialog.hwndOwner = owner;
    const platform::DEVMODE sentMode = deviceModeOfPrinter(services);
    const platform::DEVNAMES sentNames = namesOfPrinter(services);
    dialog.hDevMode = sentMode;
    dialog.hDevNames = sentNames;
    dialog.Flags = flags;
    if (!services.printSetup.run(dialog)) return Outcome{true, false, {}};

    // The records the dialog answered with; a block it did not return keeps what was sent.
    const platform::DEVMODE dm = dialog.hDevMode.value_or(sentMode);
    const platform::DEVNAMES names = dialog.hDevNames.value_or(sentNames);

    // The whole name from the names record, not the cut one of the device-mode record.
    bindByName(printer, names.device());

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

    printer.set(PrinterProperty::PaperBin, dm.dmDefaultSource);
    printer.set(PrinterProperty::PrintQuality, dm.dmPrintQuality);
    printer.set(PrinterProperty::ColorMode, dm.dmColor);
    printer.set(PrinterProperty::Duplex, dm.dmDuplex);
    printer.set(PrinterProperty::Orientation, dm.dmOrientation);
    printer.set(PrinterProperty::Zoom, dm.dmScale);
    return Outcome{true, true, {}};
}

Outcome SelectPrinter(platform::Services& services, const QString& deviceName,
                      std::int16_t paperSize, std::int16_t orientation, std::int16_t paperBin) {
    platform::PrinterSystem& printer = services.printers;
    bindByName(printer, deviceName);
    printer.set(PrinterProperty::PaperSize, paperSize);
    printer.set(PrinterProperty::Orientation, orientation);
    printer.set(PrinterProperty::PaperBin, paperBin);
    const auto name = printer.deviceName();
    if (!name) return failure(kNoPrinter);
    return Outcome{true, sameDeviceName(*name, deviceName), {}};
}

Outcome SavePrinterChoice(platform::Services& services) {
    platform::PrinterSystem& printer = services.printers;
    const auto name = printer.deviceName();
    if (!name) return failure(kNoPrinter);
    saved.deviceName = *name;
    const auto paper = printer.get(PrinterProperty::PaperSize);
    if (!paper) return failure(kNoPrinter);
    saved.paperSize = std::int16_t(*paper);
    const auto orientation = printer.get(PrinterProperty::Orientation);
    if (!orientation) return failure(kNoPrinter);
    saved.orientation = std::int16_t(*orientation);
    const auto bin = printer.get(PrinterProperty::PaperBin);
    if (!bin) return failure(kNoPrinter);
    saved.paperBin = std::int16_t(*bin);
    return {};
}

Outcome RestorePrinterChoice(platform::Services& services) {
    return SelectPrinter(services, saved.deviceName, saved.paperSize, saved.orientation,
                         saved.paperBin);
}

}  // namespace pellix::printer::PrinterSetup
