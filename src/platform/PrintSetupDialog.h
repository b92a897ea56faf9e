#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

namespace pellix::platform {

// The records the print set-up dialog is opened with and answers with. They carry the fields,
// bits and limits of the Windows print dialog's records; the dialog on this platform reads and
// writes them with the same meanings.

// Valid-field bits of DEVMODE::dmFields.
inline constexpr std::uint32_t DM_ORIENTATION = 0x1;
inline constexpr std::uint32_t DM_PAPERSIZE = 0x2;
inline constexpr std::uint32_t DM_PAPERLENGTH = 0x4;
inline constexpr std::uint32_t DM_PAPERWIDTH = 0x8;
inline constexpr std::uint32_t DM_SCALE = 0x10;
inline constexpr std::uint32_t DM_COPIES = 0x100;
inline constexpr std::uint32_t DM_DEFAULTSOURCE = 0x200;
inline constexpr std::uint32_t DM_PRINTQUALITY = 0x400;
inline constexpr std::uint32_t DM_COLOR = 0x800;
inline constexpr std::uint32_t DM_DUPLEX = 0x1000;

// Dialog flags.
inline constexpr std::uint32_t PD_NOSELECTION = 0x4;
inline constexpr std::uint32_t PD_NOPAGENUMS = 0x8;
inline constexpr std::uint32_t PD_PRINTSETUP = 0x40;
inline constexpr std::uint32_t PD_USEDEVMODECOPIESANDCOLLATE = 0x40000;
inline constexpr std::uint32_t PD_HIDEPRINTTOFILE = 0x100000;

// Characters of the device name the device-mode record holds.
inline constexpr int CCHDEVICENAME = 32;

// Device-mode record (124 bytes in its Windows form, no driver-private part).
struct DEVMODE {
    QString dmDeviceName;  // at most CCHDEVICENAME characters
    std::uint16_t dmSpecVersion = 0;
    std::uint16_t dmDriverVersion = 0;
    std::uint16_t dmSize = 124;
    std::uint16_t dmDriverExtra = 0;
    std::uint32_t dmFields = 0;
    std::int16_t dmOrientation = 0;
    std::int16_t dmPaperSize = 0;
    std::int16_t dmPaperLength = 0;  // tenths of a millimetre
    std::int16_t dmPaperWidth = 0;   // tenths of a millimetre
    std::int16_t dmScale = 0;
    std::int16_t dmCopies = 0;
    std::int16_t dmDefaultSource = 0;
    std::int16_t dmPrintQuality = 0;
    std::int16_t dmColor = 0;
    std::int16_t dmDuplex = 0;

    bool operator==(const DEVMODE&) const = default;
};

// Names record (264 bytes): four offsets from the start of the record, then a 256-byte area
// with the driver, device and port names, each ended by a NUL, in UTF-8.
struct DEVNAMES {
    static constexpr int kHeaderSize = 8;
    static constexpr int kAreaSize = 256;

    std::uint16_t wDriverOffset = kHeaderSize;
    std::uint16_t wDeviceOffset = kHeaderSize;
    std::uint16_t wOutputOffset = kHeaderSize;
    std::uint16_t wDefault = 0;
    QByteArray area = QByteArray(kAreaSize, '\0');

    // Builds the record from the three names, cut to the area's 256 bytes (never inside a
    // character).
    static DEVNAMES make(const QString& driver, const QString& device, const QString& port);
    // The name at an offset, up to its NUL or the end of the area.
    QString nameAt(std::uint16_t offset) const;
    QString driver() const { return nameAt(wDriverOffset); }
    QString device() const { return nameAt(wDeviceOffset); }
    QString output() const { return nameAt(wOutputOffset); }

    bool operator==(const DEVNAMES&) const = default;
};

// Dialog record: the two records travel as optional blocks; the dialog may answer with other
// blocks than those it was given, or with none.
struct PRINTDLG {
    std::uint32_t lStructSize = 66;
    QWidget* hwndOwner = nullptr;
    std::optional<DEVMODE> hDevMode;
    std::optional<DEVNAMES> hDevNames;
    std::uint32_t Flags = 0;
};

// The print set-up dialog: shows the printer and settings of the records, modal to the owner.
class PrintSetupDialog {
  public:
    virtual ~PrintSetupDialog() = default;
    // Shows the dialog; on confirmation fills the records with the chosen printer and settings
    // and answers true; on cancel answers false and leaves the record as it was.
    virtual bool run(PRINTDLG& dialog) = 0;
};

}  // namespace pellix::platform
