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

}  // namespace pellix::test
