#include "container/ContainerReader.h"

#include "container/ContainerLayout.h"

#include <algorithm>
#include <cstring>

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
char* copyWithoutLineBreaks(const char* first, const char* last, char* out) {
    while (first != last) {
        const char* const lineEnd = findLineBreak(first, last);
        const auto length = static_cast<std::size_t>(lineEnd - first);
        std::memcpy(out, first, length);
        out += length;
        first = std::find_if_not(lineEnd, last, isLineBreak);
    }
    return out;
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

ContainerReader::ContainerReader(CodecPath path) : decoder_(path) {}

ContainerReader::TextEnd ContainerReader::endOf(const TextWindow& window) {
    // The head stands before the key, the filler and the marker; in a text shorter than 28
    // characters it begins with the text.
    const std::string_view end = window.characters();
    TextEnd found;
    found.head = end.substr(0, end.size() > keyFromEnd ? end.size() - keyFromEnd : 0);
    found.level = classOfEnd(end);
    return found;
}

ContainerReader::TextEnd ContainerReader::endOf(std::span<const std::uint8_t> fileEnd,
                                                bool wholeFile) {
    ContainerText text(endOfInput);
    TextWindow window;
    const TextReceiver add = [&window](std::string_view part) {
        window.add(part, [](std::string_view) {});
    };
    text.start(wholeFile);
    text.take(fileEnd, add);
    text.finish(add);
    return endOf(window);
}

void ContainerReader::expect(std::span<const std::uint8_t> fileEnd, bool wholeFile) {
    expected_ = endOf(fileEnd, wholeFile);
}

std::optional<ContainerClass> classAtEnd(std::span<const std::uint8_t> fileEnd, bool wholeFile) {
    return ContainerReader::endOf(fileEnd, wholeFile).level;
}

void ContainerReader::start(ByteSink restored) {
    restored_ = std::move(restored);
    text_.start();
    window_.clear();
    fieldLeft_ = fieldLength;
    decoder_.start();
    unmarking_.start();
    // The body begins with its first characters, which the layout moved to the end.
    decode(expected_.head);
}

bool ContainerReader::append(std::span<const std::uint8_t> piece) {
    text_.take(piece, [this](std::string_view text) { takeText(text); });
    return !text_.ended();
}

bool ContainerReader::finish() {
    text_.finish([this](std::string_view text) { takeText(text); });
    TextEnd found = endOf(window_);
    const bool asExpected = found == expected_;
    expected_ = std::move(found);
    return asExpected;
}

void ContainerReader::takeText(std::string_view text) {
    window_.add(text, [this](std::string_view part) { leave(part); });
}

void ContainerReader::leave(std::string_view text) {
    while (fieldLeft_ > 0 && !text.empty()) {
        fieldLeft_ -= isLineBreak(text.front()) ? 0 : 1;
        text.remove_prefix(1);
    }
    decode(text);
}

void ContainerReader::decode(std::string_view body) {
    if (body.empty()) {
        return;
    }
    // Decoding passes over line breaks; the High level steps need the body without them.
    if (expected_.level && classRow(*expected_.level).marksSlashes) {
        body_.resize(body.size());
        const char* const end =
            copyWithoutLineBreaks(body.data(), body.data() + body.size(), body_.data());
        const std::span<char> unbroken(body_.data(), static_cast<std::size_t>(end - body_.data()));
        unmarking_.unmark(unbroken);
        body = {unbroken.data(), unbroken.size()};
    }
    bytes_.resize(decoder_.capacityFor(body.size()));
    const std::uint8_t* const end = decoder_.append(body, bytes_.data());
    if (end != bytes_.data()) {
        restored_({bytes_.data(), static_cast<std::size_t>(end - bytes_.data())});
    }
}

std::vector<std::uint8_t> readContainer(std::string_view fileBytes) {
    ContainerReader reader;
    const std::size_t endBytes = std::min(fileBytes.size(), containerEndBytes);
    reader.expect(bytesOf(fileBytes.substr(fileBytes.size() - endBytes)),
                  endBytes == fileBytes.size());
    std::vector<std::uint8_t> restored;
    do {
        restored.clear();
        reader.start([&restored](std::span<const std::uint8_t> bytes) {
            restored.insert(restored.end(), bytes.begin(), bytes.end());
        });
        reader.append(bytesOf(fileBytes));
    } while (!reader.finish());
    return restored;
}

} // namespace tarvex
