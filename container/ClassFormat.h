#pragma once

// The writer and the reader of a container class, behind one interface each. A run takes them
// from the class table (ContainerClass.h) and never asks which class it has in hand: a class is
// its row in the table and the files of its writer and reader.

#include "container/KeyGenerator.h"
#include "container/KeyParameters.h"
#include "container/Sinks.h"
#include "container/SourceRecord.h"

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace tarvex {

class ProtectedKey;

// What a run gives the writers of its containers: the password, which a designed class stores;
// the generator of key and filler characters, which a designed class draws from; the key and
// its parameters, for a class that enciphers.
struct WriterKeys {
    std::string_view password;
    KeyGenerator* generator = nullptr;
    const ProtectedKey* key = nullptr;
    ProtectedParameters parameters{};
};

// Writes containers of one class one after another, each from a source that comes in pieces.
class ContainerWriting {
public:
    virtual ~ContainerWriting() = default;

    // Begins the container of `source` (what a writer knows of it before it reads it: its path,
    // its time and its size) with its thumbnail `thumbnail` (empty for none), for a class that
    // records them; its text goes to `file` as it is made.
    virtual void start(const WriterKeys& keys, const SourceRecord& source,
                       std::span<const std::uint8_t> thumbnail, TextSink file) = 0;
    // Adds the next bytes of the source.
    virtual void append(std::span<const std::uint8_t> piece) = 0;
    // Ends the container. False when the source did not hold exactly the bytes of its record:
    // the container is not to be kept.
    virtual bool finish() = 0;
    // The text that the class keeps in the scratch file for the container just finished; empty
    // for a class that keeps none.
    virtual std::string_view scratchText() const { return {}; }
};

// How the reading of a container ended.
enum class ReadVerdict {
    Restored,         // what went to the sink is the source
    ReadAgain,        // the text ended elsewhere than its end said: read it again from its start
    FirstPieceOpened, // the password opens the container, and only that was asked
    RecordOpened,     // what the container records of its source came, and only that was asked
    NotOpened,        // the password does not open it, or it is damaged: they look the same
    Damaged,          // it is no container of its class
    NoKey,            // the key provider gave none
};

// Reads containers of one class one after another, a piece of the file at a time.
class ContainerReading {
public:
    virtual ~ContainerReading() = default;

    // Takes the last bytes of the file (all of it when `wholeFile`) before a reading from its
    // start, for a class whose text needs its end first.
    virtual void expect(std::span<const std::uint8_t> fileEnd, bool wholeFile) = 0;
    // Begins a reading of the file from its start: its key comes from `keys`, what it records of
    // its source and its thumbnail (a class that records them) go to `record` before any byte,
    // the restored bytes to `restored`. A reading short of the whole ends where `extent` says, in
    // a class that has what it asks for; the others read on.
    virtual void start(KeyProvider keys, RecordSink record, ByteSink restored,
                       ReadingExtent extent) = 0;
    // Reads the next piece of the file. False once the rest of it is not needed.
    virtual bool append(std::span<const std::uint8_t> piece) = 0;
    virtual ReadVerdict finish() = 0;

    // The most a file of the class holds: a file that goes on beyond it is none.
    virtual std::uint64_t largestFile() const { return std::numeric_limits<std::uint64_t>::max(); }
    // Whether the text, as expected from its end or found by the last reading, ends in the
    // marker of a class: a text that does not may be no container.
    virtual bool endsInMarker() const { return true; }
    // Whether the text read held a byte that no container holds, so that the file may be none.
    virtual bool foreignBytes() const { return false; }
};

} // namespace tarvex
