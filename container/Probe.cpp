#include "container/Probe.h"

#include "container/ContainerLayout.h"
#include "container/Password.h"

#include <algorithm>
#include <string>

namespace tarvex {

namespace {

// Up to `count` characters of [first, last) that are not CR or LF, in the order walked.
template <typename Iterator>
std::string charactersKept(Iterator first, Iterator last, std::size_t count) {
    std::string kept;
    for (; first != last && kept.size() < count; ++first) {
        if (!isLineBreak(*first)) {
            kept.push_back(*first);
        }
    }
    return kept;
}

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

bool endsInMarker(std::string_view text) {
    return text.ends_with(highLevelMarker) || text.ends_with(standardMarker);
}

} // namespace

ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed) {
    // The probe reads the file up to its first NUL, without CR and LF. Of that text it needs only
    // the password field at the front and the key and the marker at the end.
    fileBytes = fileBytes.substr(0, fileBytes.find('\0'));
    const std::string front = charactersKept(fileBytes.begin(), fileBytes.end(), fieldLength);
    const std::string_view field = front;
    if (field.empty()) {
        return {};
    }
    std::string end = charactersKept(fileBytes.rbegin(), fileBytes.rend(), keyFromEnd);
    std::reverse(end.begin(), end.end());
    ProbeResult result;
    result.containerFound = endsInMarker(end);

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

} // namespace tarvex
