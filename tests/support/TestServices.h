#pragma once

#include "platform/Services.h"
#include "printer/PrinterSetup.h"
#include "printing/Module1.h"
#include "support/PrinterDoubles.h"
#include "support/TestDoubles.h"

namespace pellix::test {

// Every platform service as a double: message boxes and web pages recorded, the OS version as
// the test sets it, the installed printers, the print set-up dialog and the file-open dialog
// scripted. services.defaultsDir points at the build's defaults. With them the state the
// composition root builds beside the services, fresh for each test.
struct TestServices {
    explicit TestServices(QList<FakePrinter> installed = {FakePrinter{QStringLiteral("LP-100")}});
    // The same with another printer collection (the real one, for tests of real output) in
    // place of the scripted printers; it must outlive these services.
    explicit TestServices(platform::PrinterSystem& otherPrinters);
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    // These services with another printer collection in place of this one's.
    platform::Services withPrinters(platform::PrinterSystem& otherPrinters) const;

    RecordingMessageBoxes messages;
    FakeOsVersion osVersion;
    RecordingUrlOpener urls;
    ScriptedPrinters printers;
    ScriptedPrintSetupDialog printSetup;
    ScriptedFileDialogs fileDialogs;
    platform::Services services;
    printer::PrinterSetup::SavedPrinterChoice printerChoice;
    printing::RunControl run;
};

// Tests of the printer binding name the services after the printers they script.
using PrinterTestServices = TestServices;

}  // namespace pellix::test
