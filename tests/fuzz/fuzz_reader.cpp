// The container reader on any file content: no crash, no read outside the text, and a container
// the writer made from the fuzzed bytes reads back to them.
#include "Container.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)tarvex::readContainer(text);

    const std::span<const std::uint8_t> source(data, size);
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container =
            tarvex::buildContainer(source, level, "pass word", generator, [](std::string_view) {});
        const auto restored = tarvex::readContainer(container);
        if (restored.size() != size || !std::equal(restored.begin(), restored.end(), data)) {
            std::abort();
        }
    }
    return 0;
}
