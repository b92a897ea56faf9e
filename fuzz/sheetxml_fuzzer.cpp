// libFuzzer entry: the first byte chooses the format (even: .xlsx, odd: .ods), the rest is the
// worksheet part, packed into a well-formed container so that changes reach the XML readers.
#include "FuzzWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    pellix::fuzz::readSheetPart(data + 1, size - 1, (data[0] & 1) == 0);
    return 0;
}
