// The writer and the reader of the two designed classes, Standard and High level, behind the
// interfaces of a class.

#include "container/DesignedFormat.h"

#include "container/ClassFormat.h"
#include "container/ContainerClass.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "container/ProtectedStart.h"
#include "container/SizeLimit.h"

namespace tarvex {

namespace {

class DesignedWriting final : public ContainerWriting {
public:
    explicit DesignedWriting(ContainerClass level) : level_(level) {
        // Room for the largest body, made once: a large source's text is never copied as it
        // grows, and the pages a small one leaves unused are never taken from the system.
        if (classRow(level).marksSlashes) {
            scratch_.reserve(encodedBodyLength(largestSource) + bodyLineBreak.size());
        }
    }

    void start(const WriterKeys& keys, const SourceRecord&, std::span<const std::uint8_t>,
               TextSink file) override {
        scratch_.clear();
        builder_.start(level_, keys.password, *keys.generator, std::move(file), &scratch_);
    }
    void append(std::span<const std::uint8_t> piece) override { builder_.append(piece); }
    bool finish() override {
        builder_.finish();
        return true;
    }
    std::string_view scratchText() const override { return {scratch_.data(), scratch_.size()}; }

private:
    ContainerClass level_;
    ContainerBuilder builder_; // kept from file to file, with its buffers
    // The High level body of the source in hand, which reaches the scratch file only once the
    // source is complete: nothing of a source left out is ever written there. The builder encodes
    // it straight into its place.
    HeldText scratch_;
};

// A Protected container whose marker was changed to a designed one is damaged, not a designed
// container: its text begins as a Protected container's, which no designed one does.
class DesignedReading final : public ContainerReading {
public:
    void expect(std::span<const std::uint8_t> fileEnd, bool wholeFile) override {
        reader_.expect(fileEnd, wholeFile);
    }
    void start(KeyProvider, RecordSink, ByteSink restored, ReadingExtent) override {
        reader_.start(std::move(restored));
        atStart_ = true;
        protectedText_ = false;
    }
    bool append(std::span<const std::uint8_t> piece) override {
        if (atStart_) {
            atStart_ = false;
            protectedText_ = beginsAsProtected(piece);
        }
        return !protectedText_ && reader_.append(piece);
    }
    ReadVerdict finish() override {
        const bool asExpected = reader_.finish();
        if (protectedText_) {
            return ReadVerdict::Damaged;
        }
        return asExpected ? ReadVerdict::Restored : ReadVerdict::ReadAgain;
    }
    std::uint64_t largestFile() const override { return largestDesignedFile; }
    bool endsInMarker() const override { return reader_.endsInMarker().has_value(); }
    bool foreignBytes() const override { return reader_.foreignBytes(); }

private:
    ContainerReader reader_;
    bool atStart_ = true;
    bool protectedText_ = false;
};

} // namespace

std::unique_ptr<ContainerWriting> newStandardWriting() {
    return std::make_unique<DesignedWriting>(ContainerClass::Standard);
}

std::unique_ptr<ContainerWriting> newHighLevelWriting() {
    return std::make_unique<DesignedWriting>(ContainerClass::HighLevel);
}

std::unique_ptr<ContainerReading> newDesignedReading() {
    return std::make_unique<DesignedReading>();
}

} // namespace tarvex
