#include "container/ContainerText.h"

#include <cstring>

namespace tarvex {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isTrailingBlank(char c) {
    return c == ' ' || c == '\t';
}

// Moves every line of `text` down over the blanks and tabs that end it; returns the new length.
std::size_t dropTrailingBlanks(char* text, std::size_t size) {
    const std::string_view file(text, size);
    std::size_t from = 0;
    std::size_t to = 0;
    for (;;) {
        const std::size_t lineEnd = file.find_first_of("\r\n", from);
        std::size_t kept = lineEnd == std::string_view::npos ? size : lineEnd;
        while (kept > from && isTrailingBlank(text[kept - 1])) {
            --kept;
        }
        std::memmove(text + to, text + from, kept - from);
        to += kept - from;
        if (lineEnd == std::string_view::npos) {
            return to;
        }
        text[to++] = text[lineEnd];
        from = lineEnd + 1;
    }
}

} // namespace

std::string_view containerText(std::vector<std::uint8_t>& fileBytes) {
    if (fileBytes.empty()) {
        return {};
    }
    char* text = reinterpret_cast<char*>(fileBytes.data());
    std::size_t size = fileBytes.size();
    if (std::string_view(text, size).starts_with(byteOrderMark)) {
        text += byteOrderMark.size();
        size -= byteOrderMark.size();
    }
    if (std::memchr(text, ' ', size) != nullptr || std::memchr(text, '\t', size) != nullptr) {
        size = dropTrailingBlanks(text, size);
    }
    return {text, size};
}

} // namespace tarvex
