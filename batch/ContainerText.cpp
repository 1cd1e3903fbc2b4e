#include "ContainerText.h"

#include <string_view>

namespace tarvex {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isTrailingBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string containerText(const std::vector<std::uint8_t>& fileBytes) {
    std::string_view file(reinterpret_cast<const char*>(fileBytes.data()), fileBytes.size());
    if (file.starts_with(byteOrderMark)) {
        file.remove_prefix(byteOrderMark.size());
    }
    std::string text;
    text.reserve(file.size());
    for (;;) {
        const std::size_t lineEnd = file.find_first_of("\r\n");
        std::string_view line = file.substr(0, lineEnd);
        while (!line.empty() && isTrailingBlank(line.back())) {
            line.remove_suffix(1);
        }
        text.append(line);
        if (lineEnd == std::string_view::npos) {
            return text;
        }
        text.push_back(file[lineEnd]);
        file.remove_prefix(lineEnd + 1);
    }
}

} // namespace tarvex
