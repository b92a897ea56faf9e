#pragma once

#include "platform/PrintSetupDialog.h"

#include <QString>
#include <cstdint>

namespace pellix::platform {
struct Services;
}

namespace pellix::printer::PrinterSetup {

// The printer choice kept for the program's lifetime: SavePrinterChoice writes it,
// RestorePrinterChoice applies it again. Empty name and zero codes at start.
struct SavedPrinterChoice {
    QString deviceName;
    std::int16_t paperSize = 0;
    std::int16_t orientation = 0;
    std::int16_t paperBin = 0;

    bool operator==(const SavedPrinterChoice&) const = default;
};
inline SavedPrinterChoice saved;

// What an operation answers: its value, or a failure with a Japanese message for the caller.
struct Outcome {
    bool ok = true;
    bool value = false;
    QString message;
};

// Message and title when the printer rejects the paper chosen in the dialog.
inline const QString kBadPaperMessage = QStringLiteral("指定された用紙サイズが不正です");
inline const QString kBadPaperTitle = QStringLiteral("プリンタの設定");

// Shows the print set-up dialog on the application printer's device and settings; on
// confirmation binds the chosen printer and applies the chosen settings to it. The value is
// true when the user confirmed.
Outcome OpenPrinterDialog(platform::Services& services, std::uint32_t flags, QWidget* owner);

// Binds the first installed printer whose name equals deviceName without regard to letter
// case, then offers it the paper size, orientation and paper source (a rejected value leaves
// its property as it was). The value is whether the application printer now has that name.
Outcome SelectPrinter(platform::Services& services, const QString& deviceName,
                      std::int16_t paperSize, std::int16_t orientation, std::int16_t paperBin);

// Copies the application printer's name, paper size, orientation and paper source into the
// saved choice; a value that cannot be read fails the operation and the values after it are
// not saved.
Outcome SavePrinterChoice(platform::Services& services);

// SelectPrinter with the saved choice.
Outcome RestorePrinterChoice(platform::Services& services);

// The records the dialog is opened with, built from the application printer.
platform::DEVMODE deviceModeOfPrinter(platform::Services& services);
platform::DEVNAMES namesOfPrinter(platform::Services& services);

// Whole-name comparison without regard to letter case, no trimming.
bool sameDeviceName(const QString& a, const QString& b);

}  // namespace pellix::printer::PrinterSetup
