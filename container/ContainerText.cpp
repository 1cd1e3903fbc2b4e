#include "container/ContainerText.h"

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks held back are given in parts of at most this many.
constexpr std::size_t releasePart = 64 * 1024;

// Whether `pick` picks any byte of `bytes`. The blocks of a fixed length let the compiler check
// many bytes at a time.
template <typename Pick> bool holdsAny(std::string_view bytes, Pick pick) {
    constexpr std::size_t block = 256;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    for (; at + block <= bytes.size(); at += block) {
        unsigned char found = 0;
        for (std::size_t i = 0; i < block; ++i) {
            found |= pick(data[at + i]);
        }
        if (found != 0) {
            return true;
        }
    }
    unsigned char found = 0;
    for (; at < bytes.size(); ++at) {
        found |= pick(data[at]);
    }
    return found != 0;
}

// Whether `c` lies outside `lowest` to 126, in one unsigned comparison.
unsigned char outsidePrintable(unsigned char c, unsigned char lowest) {
    return static_cast<unsigned char>(static_cast<unsigned char>(c - lowest) > 126 - lowest);
}

// Whether `bytes` holds a control character other than CR, LF and tab, or a code above 126.
bool holdsForeign(std::string_view bytes) {
    return holdsAny(bytes, [](unsigned char c) {
        return static_cast<unsigned char>(outsidePrintable(c, 32) & (c != '\r') & (c != '\n') &
                                          (c != '\t'));
    });
}

} // namespace

void ContainerText::start(bool atFileStart) {
    ended_ = false;
    foreign_ = false;
    atFileStart_ = atFileStart;
    markMatched_ = 0;
    heldBlanks_ = 0;
    heldEnd_.clear();
}

bool ContainerText::passByteOrderMark(std::string_view& bytes) {
    while (!bytes.empty() && markMatched_ < byteOrderMark.size() &&
           bytes.front() == byteOrderMark[markMatched_]) {
        bytes.remove_prefix(1);
        ++markMatched_;
    }
    if (bytes.empty() && markMatched_ < byteOrderMark.size()) {
        return false; // the piece is all the beginning of a mark
    }
    // What looked like the beginning of a mark is text.
    if (markMatched_ < byteOrderMark.size()) {
        made_.assign(byteOrderMark.substr(0, markMatched_));
    }
    atFileStart_ = false;
    return true;
}

void ContainerText::take(std::span<const std::uint8_t> piece, const TextReceiver& text) {
    std::string_view bytes(reinterpret_cast<const char*>(piece.data()), piece.size());
    if (ended_ || bytes.empty()) {
        return;
    }
    made_.clear();
    if (atFileStart_ && !passByteOrderMark(bytes)) {
        return;
    }
    const auto holds = [&](char c) {
        return std::memchr(bytes.data(), c, bytes.size()) != nullptr;
    };
    // Most pieces hold nothing but printable characters other than the blank, and line breaks;
    // one pass finds them, and they need none of the checks below.
    const auto end = static_cast<unsigned char>(endByte_);
    const bool plainPiece = !holdsAny(bytes, [end](unsigned char c) {
        return static_cast<unsigned char>((outsidePrintable(c, 33) & (c != '\r') & (c != '\n')) |
                                          (c == end));
    });
    const std::size_t endAt = plainPiece ? std::string_view::npos : bytes.find(endByte_);
    if (!foreign_ && !plainPiece) {
        foreign_ = holdsForeign(bytes.substr(0, endAt));
    }
    if (heldBlanks_ == 0 &&
        (plainPiece || (endAt == std::string_view::npos && !holds(' ') && !holds('\t')))) {
        flush(text);
        text(bytes);
        return;
    }
    takeWithBlanks(bytes, text);
    flush(text);
}

void ContainerText::takeWithBlanks(std::string_view bytes, const TextReceiver& text) {
    const auto plain = [this](char c) { return !isBlank(c) && c != endByte_; };
    for (std::size_t at = 0; at < bytes.size();) {
        const char c = bytes[at];
        if (c == endByte_) {
            // The end byte ends no line: the blanks before it stay.
            releaseHeld(text);
            ended_ = true;
            return;
        }
        if (isBlank(c)) {
            ++heldBlanks_;
            heldEnd_.push_back(c);
            if (heldEnd_.size() > keyFromEnd) {
                heldEnd_.erase(heldEnd_.begin());
            }
            ++at;
            continue;
        }
        // A run of characters that are neither blanks nor the end byte: its first one decides
        // what becomes of the blanks held back.
        const std::size_t runEnd = static_cast<std::size_t>(
            std::find_if_not(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 1, bytes.end(),
                             plain) -
            bytes.begin());
        if (isLineBreak(c)) {
            heldBlanks_ = 0;
            heldEnd_.clear();
        } else {
            releaseHeld(text);
        }
        made_.append(bytes.substr(at, runEnd - at));
        at = runEnd;
    }
}

void ContainerText::finish(const TextReceiver& text) {
    // Blanks at the end of the file end its last line; a mark begun but not completed is text.
    if (atFileStart_ && !ended_) {
        made_.assign(byteOrderMark.substr(0, markMatched_));
        flush(text);
    }
    heldBlanks_ = 0;
    heldEnd_.clear();
}

void ContainerText::releaseHeld(const TextReceiver& text) {
    std::size_t asBlanks = heldBlanks_ - heldEnd_.size();
    while (asBlanks > 0) {
        const std::size_t part = std::min(asBlanks, releasePart);
        made_.append(part, ' ');
        asBlanks -= part;
        if (made_.size() >= releasePart) {
            flush(text);
        }
    }
    made_.append(heldEnd_);
    heldBlanks_ = 0;
    heldEnd_.clear();
}

void ContainerText::flush(const TextReceiver& text) {
    if (!made_.empty()) {
        text(made_);
        made_.clear();
    }
}

void TextWindow::add(std::string_view text, const TextReceiver& leave) {
    // Where the last characters of `text` begin.
    std::size_t split = text.size();
    std::size_t kept = 0;
    while (split > 0 && kept < chars_.size()) {
        --split;
        kept += isLineBreak(text[split]) ? 0 : 1;
    }
    const std::size_t leaving = size_ + kept > chars_.size() ? size_ + kept - chars_.size() : 0;
    if (leaving > 0) {
        leave({chars_.data(), leaving});
        std::copy(chars_.begin() + static_cast<std::ptrdiff_t>(leaving),
                  chars_.begin() + static_cast<std::ptrdiff_t>(size_), chars_.begin());
        size_ -= leaving;
    }
    if (split > 0) {
        leave(text.substr(0, split));
    }
    for (const char c : text.substr(split)) {
        if (!isLineBreak(c)) {
            chars_[size_++] = c;
        }
    }
}

} // namespace tarvex
