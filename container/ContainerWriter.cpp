#include "container/ContainerWriter.h"

#include "container/PasswordField.h"

#include <algorithm>

namespace tarvex {

namespace {

// Fills a body shorter than the moved head. It is neither an accepted Base64 character nor one
// that the High level steps look at, so decoding passes over it and unshifting leaves it alone.
constexpr char bodyFiller = '.';

} // namespace

ContainerBuilder::ContainerBuilder(CodecPath path)
    : kernels_(&kernelsFor(path)), marking_(*kernels_) {}

void ContainerBuilder::start(ContainerClass level, std::string_view password,
                             KeyGenerator& generator, TextSink file, HeldText* scratch) {
    level_ = level;
    generator_ = &generator;
    file_ = std::move(file);
    scratch_ = scratch;
    key_ = generator.drawCharacter();
    field_ = passwordField(password, keyShift(key_));
    text_.clear();
    textStart_ = 0;
    headTaken_ = false;
    lineStartCount_ = 0;
    marking_.start();
}

void ContainerBuilder::append(std::span<const std::uint8_t> piece) {
    // The line a piece completes and the piece's whole lines go on in one text, so that each
    // sink takes one write per piece.
    if (lineStartCount_ > 0) {
        const std::size_t taken = std::min(piece.size(), lineStart_.size() - lineStartCount_);
        std::copy_n(piece.begin(), taken, lineStart_.begin() + lineStartCount_);
        lineStartCount_ += taken;
        piece = piece.subspan(taken);
        if (lineStartCount_ < lineStart_.size()) {
            return;
        }
        encodeLines(lineStart_);
        lineStartCount_ = 0;
    }
    const std::size_t wholeLines = piece.size() / bodyLineBytes * bodyLineBytes;
    encodeLines(piece.first(wholeLines));
    lineStartCount_ = piece.size() - wholeLines;
    std::copy(piece.begin() + wholeLines, piece.end(), lineStart_.begin());
    handOn(classRow(level_).marksSlashes ? marking_.mark(text_, textStart_, false) : text_.size());
}

void ContainerBuilder::encodeLines(std::span<const std::uint8_t> bytes) {
    if (!classRow(level_).marksSlashes) {
        const std::size_t at = text_.size();
        text_.resize(at + encodedBodyLength(bytes.size()));
        encodeWith(*kernels_, bytes, text_.data() + at);
        return;
    }
    // The scratch text keeps the line breaks; the body loses them as it is encoded.
    const std::size_t lines = bytes.size() / bodyLineBytes;
    HeldText& scratch = *scratch_;
    const std::size_t scratchAt = scratch.size();
    const std::size_t textAt = text_.size();
    scratch.resize(scratchAt + encodedBodyLength(bytes.size()));
    text_.resize(textAt + lines * bodyLineCharacters);
    kernels_->encodeLinesTwice(bytes.data(), lines, scratch.data() + scratchAt,
                               text_.data() + textAt);
    // The source's last bytes, fewer than a line, make at most a line, with CR LF when it is full.
    const auto rest = bytes.subspan(lines * bodyLineBytes);
    if (!rest.empty()) {
        char* const restAt = scratch.data() + scratchAt + lines * bodyLineWithBreak;
        const char* const end = encodeWith(*kernels_, rest, restAt);
        const auto characters =
            std::min(static_cast<std::size_t>(end - restAt), bodyLineCharacters);
        text_.insert(text_.end(), restAt, restAt + characters);
    }
}

void ContainerBuilder::takeHead() {
    // The password field takes the place of the body's first characters.
    std::copy_n(text_.begin(), head_.size(), head_.begin());
    std::copy(field_.begin(), field_.end(), text_.begin());
    headTaken_ = true;
}

void ContainerBuilder::handOn(std::size_t end) {
    if (!headTaken_) {
        if (end < head_.size()) {
            return;
        }
        takeHead();
    }
    if (end == 0) {
        return;
    }
    file_({text_.data(), end});
    // What is handed on leaves the buffer, so the next piece's text goes where this one was,
    // still in the cache.
    text_.erase(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(end));
    textStart_ += end;
}

void ContainerBuilder::finish() {
    encodeLines(std::span(lineStart_).first(lineStartCount_));
    lineStartCount_ = 0;
    const ClassRow& row = classRow(level_);
    if (row.marksSlashes) {
        // The scratch file's body ends in one more CR LF.
        scratch_->insert(scratch_->end(), fileLineEnd.begin(), fileLineEnd.end());
        marking_.mark(text_, textStart_, true);
    }
    if (!headTaken_) {
        if (text_.size() < headLength) {
            text_.resize(headLength, bodyFiller);
        }
        takeHead();
    }
    // The trailer goes out with the rest of the body, in one piece.
    text_.insert(text_.end(), head_.begin(), head_.end());
    text_.push_back(key_);
    for (std::size_t i = 0; i < fillerLength; ++i) {
        text_.push_back(generator_->drawCharacter());
    }
    text_.insert(text_.end(), row.marker.begin(), row.marker.end());
    text_.insert(text_.end(), fileLineEnd.begin(), fileLineEnd.end());
    handOn(text_.size());
}

std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const TextSink& scratch) {
    std::string file;
    HeldText body;
    ContainerBuilder builder;
    builder.start(
        level, password, generator, [&file](std::string_view text) { file.append(text); }, &body);
    builder.append(source);
    builder.finish();
    if (classRow(level).marksSlashes) {
        scratch({body.data(), body.size()});
    }
    return file;
}

} // namespace tarvex
