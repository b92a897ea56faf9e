#pragma once

#include "platform/PrintSetupDialog.h"
#include "platform/Result.h"

#include <QString>
#include <cstdint>

namespace pellix::platform {
struct Services;
}

namespace pellix::printer::PrinterSetup {

// The saved printer choice: SavePrinterChoice writes it, RestorePrinterChoice applies it again.
// One lives as long as the program, built by the composition root; empty name and zero codes
// at start.
struct SavedPrinterChoice {
    QString deviceName;
    std::int16_t paperSize = 0;
    std::int16_t orientation = 0;
    std::int16_t paperBin = 0;

    bool operator==(const SavedPrinterChoice&) const = default;
};

// Message and title when the printer rejects the paper chosen in the dialog.
inline const QString kBadPaperMessage = QStringLiteral("指定された用紙サイズが不正です");
inline const QString kBadPaperTitle = QStringLiteral("プリンタの設定");

// Shows the print set-up dialog on the application printer's device and settings; on
// confirmation binds the chosen printer and applies the chosen settings to it. True when the
// user confirmed.
bool OpenPrinterDialog(platform::Services& services, std::uint32_t flags, QWidget* owner);

// Binds the first installed printer whose name equals deviceName without regard to letter
// case, then offers it the paper size, orientation and paper source (a rejected value leaves
// its property as it was). bound tells whether the application printer now has that name; the
// operation fails when the printer cannot report its name.
Result SelectPrinter(platform::Services& services, const QString& deviceName,
                     std::int16_t paperSize, std::int16_t orientation, std::int16_t paperBin,
                     bool& bound);

// Copies the application printer's name, paper size, orientation and paper source into the
// saved choice; a value that cannot be read fails the operation and the values after it are
// not saved.
Result SavePrinterChoice(platform::Services& services, SavedPrinterChoice& choice);

// SelectPrinter with the saved choice.
Result RestorePrinterChoice(platform::Services& services, const SavedPrinterChoice& choice,
                            bool& bound);

// The records the dialog is opened with, built from the application printer.
platform::DEVMODE deviceModeOfPrinter(platform::Services& services);
platform::DEVNAMES namesOfPrinter(platform::Services& services);

// Whole-name comparison without regard to letter case, no trimming.
bool sameDeviceName(const QString& a, const QString& b);

}  // namespace pellix::printer::PrinterSetup
