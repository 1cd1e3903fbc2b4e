// The writer and the reader of the Protected class behind the interfaces of a class.

#include "protected/ProtectedFormat.h"

#include "container/ClassFormat.h"
#include "container/ContainerClass.h"
#include "protected/ProtectedReader.h"
#include "protected/ProtectedWriter.h"

#include <stdexcept>

namespace tarvex {

namespace {

class ProtectedWriting final : public ContainerWriting {
public:
    void start(const WriterKeys& keys, const SourceRecord& source,
               std::span<const std::uint8_t> thumbnail, TextSink file) override {
        if (keys.key == nullptr) {
            throw std::invalid_argument("a Protected container needs a derived key");
        }
        builder_.start(*keys.key, keys.parameters, source, thumbnail, std::move(file));
    }
    void append(std::span<const std::uint8_t> piece) override { builder_.append(piece); }
    bool finish() override { return builder_.finish(); }

private:
    ProtectedBuilder builder_;
};

class ProtectedReading final : public ContainerReading {
public:
    void expect(std::span<const std::uint8_t>, bool) override {}
    void start(KeyProvider keys, RecordSink record, ByteSink restored,
               ReadingExtent extent) override {
        reader_.start(std::move(keys), std::move(record), std::move(restored), extent);
    }
    bool append(std::span<const std::uint8_t> piece) override { return reader_.append(piece); }
    ReadVerdict finish() override {
        switch (reader_.finish()) {
        case ProtectedVerdict::Restored:
            return ReadVerdict::Restored;
        case ProtectedVerdict::FirstPieceOpened:
            return ReadVerdict::FirstPieceOpened;
        case ProtectedVerdict::RecordOpened:
            return ReadVerdict::RecordOpened;
        case ProtectedVerdict::NotOpened:
            return ReadVerdict::NotOpened;
        case ProtectedVerdict::NoKey:
            return ReadVerdict::NoKey;
        case ProtectedVerdict::Damaged:
            break;
        }
        return ReadVerdict::Damaged;
    }

private:
    ProtectedReader reader_;
};

} // namespace

std::unique_ptr<ContainerWriting> newProtectedWriting() {
    return std::make_unique<ProtectedWriting>();
}

std::unique_ptr<ContainerReading> newProtectedReading() {
    return std::make_unique<ProtectedReading>();
}

} // namespace tarvex
