#include "app/Windows.h"

#include "datasource/windows/Form6.h"
#include "datasource/windows/setOracle.h"
#include "info/windows/Form10.h"
#include "info/windows/Form12.h"
#include "info/windows/Form9.h"
#include "info/windows/frmAbout.h"
#include "printer/windows/Form13.h"
#include "printer/windows/Form17.h"
#include "printer/windows/Form3.h"
#include "printer/windows/Form7.h"
#include "printing/windows/F_CustInput.h"
#include "printing/windows/F_CustInput2.h"
#include "printing/windows/frmprinting.h"
#include "shell/windowing/Form8.h"
#include "shell/windowing/WindowRegistry.h"
#include "shell/windows/Form1.h"

namespace pellix::app {

void registerWindows(shell::WindowRegistry& windows) {
    windows.add<shell::Form1>();
    windows.add<shell::Form8>();
    windows.add<datasource::Form6>();
    windows.add<datasource::setOracle>();
    windows.add<printer::Form3>();
    windows.add<printer::Form7>();
    windows.add<printer::Form13>();
    windows.add<printer::Form17>();
    windows.add<printing::F_CustInput>();
    windows.add<printing::F_CustInput2>();
    windows.add<printing::frmprinting>();
    windows.add<info::frmAbout>();
    windows.add<info::Form9>();
    windows.add<info::Form10>();
    windows.add<info::Form12>();
}

}  // namespace pellix::app
