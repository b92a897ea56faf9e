// libFuzzer entry: every input is a candidate comma- or tab-separated text file.
#include "FuzzWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::readWorkbook(data, size, "fuzz.csv");
    return 0;
}
