#pragma once

#include <QString>

namespace pellix::platform {
class PrinterSystem;
}

namespace pellix::printer {

// The installed printers in enumeration order, one line each: "*" in front of the application
// printer (a blank otherwise), the device name, a tab and the paper codes it accepts.
QString describePrinters(platform::PrinterSystem& printers);

}  // namespace pellix::printer
