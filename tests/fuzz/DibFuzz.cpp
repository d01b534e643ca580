// libFuzzer entry for the DIB conversion of the imaging service.
#include "DibFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::convertFuzzInput(data, size);
    return 0;
}
