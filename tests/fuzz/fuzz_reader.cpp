// The container reader on any file content: no crash, no read outside the text, LF line ends read
// as CR LF do, and the file read in pieces (its end first, as a run reads it) gives what the whole
// file gives. A container the writer made from the fuzzed bytes reads back to them, also with its
// line ends changed to LF or CR, with a byte order mark in front and with blanks at its line ends.
#include "container/ContainerReader.h"
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

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The file read as a run reads it: its last 16 bytes first, then pieces of 7 bytes.
std::vector<std::uint8_t> readInPieces(std::string_view file) {
    tarvex::ContainerReader reader;
    const std::size_t endBytes = std::min<std::size_t>(file.size(), 16);
    reader.expect(bytesOf(file.substr(file.size() - endBytes)), endBytes == file.size());
    std::vector<std::uint8_t> restored;
    for (int reading = 0; reading < 2; ++reading) {
        restored.clear();
        reader.start([&restored](std::span<const std::uint8_t> bytes) {
            restored.insert(restored.end(), bytes.begin(), bytes.end());
        });
        for (std::size_t at = 0; at < file.size() && reader.append(bytesOf(file.substr(at, 7)));
             at += 7) {
        }
        if (reader.finish()) {
            return restored;
        }
    }
    std::abort(); // a second reading always goes by the end the first one found
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint8_t> whole = tarvex::readContainer(text);
    if (whole != tarvex::readContainer(replaceAll(text, "\r\n", "\n")) ||
        whole != readInPieces(text)) {
        std::abort();
    }

    const std::span<const std::uint8_t> source(data, size);
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container =
            tarvex::buildContainer(source, level, "pass word", generator, [](std::string_view) {});
        for (const std::string& variant :
             {container, replaceAll(container, "\r\n", "\n"), replaceAll(container, "\r\n", "\r"),
              "\xEF\xBB\xBF" + replaceAll(container, "\r\n", "  \r\n")}) {
            const auto restored = tarvex::readContainer(variant);
            if (restored.size() != size || !std::equal(restored.begin(), restored.end(), data)) {
                std::abort();
            }
        }
    }
    return 0;
}
