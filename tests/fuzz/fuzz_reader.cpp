// The container reader on any file content: no crash, no read outside the text, and LF line ends
// read as CR LF do. A container the writer made from the fuzzed bytes reads back to them, also
// with its line ends changed to LF or CR, with a byte order mark in front and with blanks at its
// line ends.
#include "container/ContainerReader.h"
#include "container/ContainerText.h"
#include "container/ContainerWriter.h"

#include <cstdlib>
#include <string_view>

namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        result.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return result.append(text);
}

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tarvex::readContainer(text) != tarvex::readContainer(replaceAll(text, "\r\n", "\n"))) {
        std::abort();
    }
    std::vector<std::uint8_t> bytes = bytesOf(text);
    (void)tarvex::readContainer(tarvex::containerText(bytes));

    const std::span<const std::uint8_t> source(data, size);
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container =
            tarvex::buildContainer(source, level, "pass word", generator, [](std::string_view) {});
        for (const std::string& variant :
             {container, replaceAll(container, "\r\n", "\n"), replaceAll(container, "\r\n", "\r"),
              "\xEF\xBB\xBF" + replaceAll(container, "\r\n", "  \r\n")}) {
            std::vector<std::uint8_t> variantBytes = bytesOf(variant);
            const auto restored = tarvex::readContainer(tarvex::containerText(variantBytes));
            if (restored.size() != size || !std::equal(restored.begin(), restored.end(), data)) {
                std::abort();
            }
        }
    }
    return 0;
}
