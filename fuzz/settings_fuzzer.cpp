// libFuzzer entry: every input is a settings file.
#include "FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pellix::fuzz::readSettingsFile(data, size);
    return 0;
}
