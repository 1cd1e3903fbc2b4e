#include "container/ContainerReader.h"

#include "codec/Base64Body.h"
#include "codec/Base64Kernels.h"
#include "container/ContainerLayout.h"
#include "container/HighLevelSteps.h"
#include "container/UnwrittenGrowth.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace tarvex {

namespace {

// The first CR or LF in [first, last), or `last`.
const char* findLineBreak(const char* first, const char* last) {
    const auto* lf = static_cast<const char*>(std::memchr(first, '\n', last - first));
    const char* const bound = lf != nullptr ? lf : last;
    const auto* cr = static_cast<const char*>(std::memchr(first, '\r', bound - first));
    return cr != nullptr ? cr : bound;
}

// Copies [first, last) to `out` without its CR and LF characters and returns the end of the copy.
// `out` may be `first` itself, to remove them in place.
char* copyWithoutLineBreaks(const char* first, const char* last, char* out) {
    while (first != last) {
        const char* const lineEnd = findLineBreak(first, last);
        const auto length = static_cast<std::size_t>(lineEnd - first);
        std::memmove(out, first, length);
        out += length;
        first = std::find_if_not(lineEnd, last, isLineBreak);
    }
    return out;
}

// Where the parts of a container stand in its file text, which may hold line breaks anywhere.
struct Parts {
    std::string_view rest;               // after the password field, before the moved head
    std::array<char, headLength> head{}; // the moved head, line breaks taken out
    bool highLevel = false;              // the text ends in "@@@@"
};

// The parts of a text that holds at least the 48 characters (line breaks not counted) of a
// container's fixed fields; nothing for a shorter one.
std::optional<Parts> findParts(std::string_view text) {
    // The last 28 characters: the head, key, filler and marker.
    std::array<const char*, trailerLength> trailer{};
    std::size_t found = 0;
    for (const char* p = text.data() + text.size(); found < trailer.size() && p != text.data();) {
        --p;
        if (!isLineBreak(*p)) {
            trailer[trailer.size() - 1 - found++] = p;
        }
    }
    if (found < trailer.size()) {
        return std::nullopt;
    }
    // The end of the password field: after its 20th character.
    const char* restStart = text.data();
    const char* const headStart = trailer.front();
    for (std::size_t counted = 0; counted < fieldLength; ++restStart) {
        if (restStart == headStart) {
            return std::nullopt;
        }
        counted += isLineBreak(*restStart) ? 0 : 1;
    }
    Parts parts;
    parts.rest = {restStart, static_cast<std::size_t>(headStart - restStart)};
    for (std::size_t i = 0; i < headLength; ++i) {
        parts.head[i] = *trailer[i];
    }
    const auto markerStart = trailer.end() - highLevelMarker.size();
    parts.highLevel = std::equal(markerStart, trailer.end(), highLevelMarker.begin(),
                                 [](const char* p, char c) { return *p == c; });
    return parts;
}

// The bytes of a text too short for `findParts`: its head alone, the bounds clamped to the text.
std::vector<std::uint8_t> readShortText(std::string_view fileText) {
    const std::string text = joinContainerLines(fileText);
    const std::size_t n = text.size();
    const std::size_t headStart = n > trailerLength ? n - trailerLength : 0;
    const std::size_t headEnd = n > keyFromEnd ? n - keyFromEnd : 0;
    std::string body = text.substr(headStart, headEnd - headStart);
    if (text.ends_with(highLevelMarker)) {
        unshiftFollowersAndUnmark(body);
    }
    std::vector<std::uint8_t> bytes;
    decodeBody(body, bytes);
    return bytes;
}

} // namespace

std::string_view readerText(std::string_view fileText) {
    return fileText.substr(0, fileText.find(endOfInput));
}

std::string joinContainerLines(std::string_view fileText) {
    fileText = readerText(fileText);
    std::string text(fileText.size(), '\0');
    const char* const end =
        copyWithoutLineBreaks(fileText.data(), fileText.data() + fileText.size(), text.data());
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

std::vector<std::uint8_t> readContainer(std::string_view fileText) {
    fileText = readerText(fileText);
    const std::optional<Parts> parts = findParts(fileText);
    if (!parts) {
        return readShortText(fileText);
    }
    std::vector<std::uint8_t> bytes;

    // The body is the head followed by the rest. Decoding passes over line breaks, and a head of
    // whole groups ends its last group, so a Standard body decodes where it stands.
    const std::string_view head(parts->head.data(), parts->head.size());
    if (!parts->highLevel && std::count_if(head.begin(), head.end(), acceptedByDecoding) % 4 == 0) {
        bytes.reserve(head.size() / 4 * 3 + parts->rest.size() / 4 * 3 + decodeOverrun);
        decodeBody(head, bytes);
        decodeBody(parts->rest, bytes);
        return bytes;
    }
    // Every character of the body is written before it is read.
    std::vector<char, UnwrittenGrowth<char>> body(head.size() + parts->rest.size());
    std::copy(head.begin(), head.end(), body.begin());
    const char* const end = copyWithoutLineBreaks(
        parts->rest.data(), parts->rest.data() + parts->rest.size(), body.data() + head.size());
    body.resize(static_cast<std::size_t>(end - body.data()));
    if (parts->highLevel) {
        unshiftFollowersAndUnmark(body);
    }
    decodeBody({body.data(), body.size()}, bytes);
    return bytes;
}

} // namespace tarvex
