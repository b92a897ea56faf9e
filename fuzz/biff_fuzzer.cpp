// libFuzzer entry: every input is the workbook stream of a compound file.
#include "FuzzWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::readWorkbookStream(data, size);
    return 0;
}
