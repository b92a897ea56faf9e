#pragma once

#include "platform/Services.h"
#include "printer/PrinterSetup.h"
#include "printing/Module1.h"

#include <memory>

namespace pellix::app {

// The real platform services of the running program and the state that outlives one call,
// owned in one place.
class AppServices {
  public:
    AppServices();
    ~AppServices();
    platform::Services& services() { return services_; }
    printer::PrinterSetup::SavedPrinterChoice& printerChoice() { return printerChoice_; }
    printing::RunControl& run() { return run_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    platform::Services services_;
    printer::PrinterSetup::SavedPrinterChoice printerChoice_;
    printing::RunControl run_;
};

// Folder of the default settings files: PELLIX_DATA_DIR when set, else the installed data
// folder beside the executable, else the build tree's.
QString findDefaultsDir();

}  // namespace pellix::app
