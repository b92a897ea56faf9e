#pragma once

#include <QString>

namespace pellix::platform {

class MessageBoxes;
class OsVersion;
class UrlOpener;
class PrinterSystem;
class PrintSetupDialog;
class FileDialogs;

// The platform services handed to every window and to the logic that needs them. Built once in
// main (real implementations) or in a test (recording doubles); the pointers are not owned.
struct Services {
    MessageBoxes* messages = nullptr;
    OsVersion* osVersion = nullptr;
    UrlOpener* urls = nullptr;
    PrinterSystem* printers = nullptr;
    PrintSetupDialog* printSetup = nullptr;
    FileDialogs* fileDialogs = nullptr;
    // Folder holding the default settings files and the sample workbook that ship with the
    // program.
    QString defaultsDir;
};

}  // namespace pellix::platform
