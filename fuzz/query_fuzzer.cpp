// libFuzzer entry: every input is a query text over the sample workbook.
#include "FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::runQueryText(data, size);
    return 0;
}
