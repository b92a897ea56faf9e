// libFuzzer entry: every input is a candidate .xlsx or .ods file (the content decides which).
#include "FuzzWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::readWorkbook(data, size, "fuzz.xlsx");
    return 0;
}
