// The probe on any file content, with a password taken from the input's first bytes.
#include "Password.h"

#include <algorithm>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min<std::size_t>(input.size(), 10);
    (void)tarvex::probeContainer(input.substr(split), input.substr(0, split));
    return 0;
}
