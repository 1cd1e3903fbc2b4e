// decodeBody on any text: it never fails, and encoding its output decodes to the same bytes.
#include "codec/Base64Body.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes;
    tarvex::decodeBody(std::string_view(reinterpret_cast<const char*>(data), size), bytes);

    std::string text;
    tarvex::encodeBody(bytes, text);
    std::vector<std::uint8_t> again;
    tarvex::decodeBody(text, again);
    if (again != bytes) {
        std::abort();
    }
    return 0;
}
