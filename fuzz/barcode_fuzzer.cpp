// libFuzzer entry: every input is three barcode parameters and a barcode text.
#include "FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::makeBarcode(data, size);
    return 0;
}
