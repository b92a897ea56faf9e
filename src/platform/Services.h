#pragma once

#include <QString>

namespace pellix::platform {

class FileDialogs;
class MessageBoxes;
class OsVersion;
class PrintSetupDialog;
class PrinterSystem;
class UrlOpener;

// The platform services handed to every window and to the logic that needs them. Built once in
// main (real implementations) or in a test (doubles); every service is there, and none is owned.
struct Services {
    MessageBoxes& messages;
    OsVersion& osVersion;
    UrlOpener& urls;
    PrinterSystem& printers;
    PrintSetupDialog& printSetup;
    FileDialogs& fileDialogs;
    // Folder holding the default settings files and the sample workbook that ship with the
    // program.
    QString defaultsDir;
};

}  // namespace pellix::platform
