#include "container/Probe.h"

#include "container/ContainerLayout.h"
#include "container/PasswordField.h"

namespace tarvex {

namespace {

// `text` without the characters of code 32 or less at either end.
std::string_view trimLowCodes(std::string_view text) {
    const auto isLow = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isLow(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isLow(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

ContainerProbe::ContainerProbe() : text_('\0') {}

bool ContainerProbe::append(std::span<const std::uint8_t> piece) {
    text_.take(piece, [this](std::string_view text) { takeText(text); });
    return !text_.ended();
}

void ContainerProbe::takeText(std::string_view text) {
    for (std::size_t at = 0; at < text.size() && front_.size() < fieldLength; ++at) {
        if (!isLineBreak(text[at])) {
            front_.push_back(text[at]);
        }
    }
    end_.add(text, [](std::string_view) {});
}

ProbeResult ContainerProbe::result(std::string_view typed) {
    text_.finish([this](std::string_view text) { takeText(text); });
    const std::string_view field = front_;
    if (field.empty()) {
        return {};
    }
    std::string_view end = end_.characters();
    end = end.substr(end.size() > keyFromEnd ? end.size() - keyFromEnd : 0);
    ProbeResult result;
    result.level = classOfEnd(end);
    result.containerFound = result.level.has_value();

    // A text shorter than the key's distance from the end takes its first character as the key.
    const char key = end.size() < keyFromEnd ? field.front() : end.front();
    const int shift = keyShift(key);
    std::string stored;
    for (std::size_t i = 0; i < fieldLength; i += 2) {
        const std::string_view pair = i < field.size() ? field.substr(i, 2) : std::string_view{};
        stored.push_back(static_cast<char>((HexPairToByte(pair) + shift) % 256));
    }
    result.passwordMatches = trimLowCodes(stored) == typed;
    return result;
}

ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed) {
    ContainerProbe probe;
    probe.append({reinterpret_cast<const std::uint8_t*>(fileBytes.data()), fileBytes.size()});
    return probe.result(typed);
}

} // namespace tarvex
