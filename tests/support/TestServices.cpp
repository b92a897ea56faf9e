#include "support/TestServices.h"

namespace pellix::test {

TestServices::TestServices(QList<FakePrinter> installed)
    : printers(std::move(installed)),
      services{
          .messages = messages,
          .osVersion = osVersion,
          .urls = urls,
          .printers = printers,
          .printSetup = printSetup,
          .fileDialogs = fileDialogs,
          .defaultsDir = defaultsDir(),
      } {}

TestServices::TestServices(platform::PrinterSystem& otherPrinters)
    : services{
          .messages = messages,
          .osVersion = osVersion,
          .urls = urls,
          .printers = otherPrinters,
          .printSetup = printSetup,
          .fileDialogs = fileDialogs,
          .defaultsDir = defaultsDir(),
      } {}

platform::Services TestServices::withPrinters(platform::PrinterSystem& otherPrinters) const {
    platform::Services other{
        .messages = services.messages,
        .osVersion = services.osVersion,
        .urls = services.urls,
        .printers = otherPrinters,
        .printSetup = services.printSetup,
        .fileDialogs = services.fileDialogs,
        .defaultsDir = services.defaultsDir,
    };
    return other;
}

}  // namespace pellix::test
