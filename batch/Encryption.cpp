#include "batch/Batch.h"
#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/SizeLimit.h"
#include "files/PathParts.h"
#include "passwords/PassphraseStrength.h"
#include "passwords/PasswordRules.h"
#include "protected/ProtectedLayout.h"

#include <memory>
#include <sodium.h>

namespace tarvex {

namespace {

// A source that changed while it was read is read this many times at most.
constexpr int sourcePasses = 3;

// The passphrase of a class that enciphers alone opens its containers, and a typing error would
// lock the user out of their own pictures: it is typed again. The user hears how long an attacker
// would need to find it, and one found within a year is used only when they say so.
std::optional<RunEnd> passphraseRefusal(std::string_view password, RunReport& report) {
    const double seconds = secondsToFind(password);
    const std::optional<Secret> again = report.passwordAgain(seconds);
    if (!again) {
        return RunEnd::PasswordNotRepeated;
    }
    if (!(*again == Secret::copyOf(password))) {
        return RunEnd::PasswordsDiffer;
    }
    if (foundWithinAYear(seconds) &&
        !report.ask({.kind = RunQuestion::Kind::WeakPassphrase, .seconds = seconds})) {
        return RunEnd::WeakDeclined;
    }
    return std::nullopt;
}

// Whether the originals of `request` go to the Trash once their containers are verified: only in
// a class that protects them.
bool removesOriginals(const EncryptRequest& request) {
    return request.removeOriginals && classRow(request.containerClass).recordsName;
}

// Whether the containers of `request` take names that say nothing of their sources.
bool hidesNames(const EncryptRequest& request) {
    return request.hideNames && classRow(request.containerClass).recordsName;
}

// The largest source whose thumbnail is made: a larger one is held in memory by no run, and gets
// none.
constexpr std::uint64_t largestThumbnailSource = 64 * 1024 * 1024;

// The thumbnail that `make` makes of `source`, or none (empty) where it makes none, fails, or
// makes one larger than a container seals.
std::vector<std::uint8_t> thumbnailOf(std::span<const std::uint8_t> source,
                                      const ThumbnailMaker& make) {
    try {
        std::optional<std::vector<std::uint8_t>> made = make(source);
        if (made && made->size() <= largestThumbnailBytes) {
            return std::move(*made);
        }
    } catch (const std::exception&) {
        // A picture that cannot be made small is sealed without a thumbnail.
    }
    return {};
}

} // namespace

// What an encrypt run keeps while it goes through its files.
struct Batch::EncryptRun {
    RunFiles files;
    WriterKeys keys;
    // The containers that encrypt which the run replaced with ones that do not.
    std::vector<std::string> replaced{};
    // What its output folders held already, and how many of those containers it replaced.
    Library library{};
    int changed = 0;
    // The originals that went to the Trash, and those kept, with why.
    int trashed = 0;
    std::vector<LeftOutRecord> kept{};
};

// One reading of a source into a container.
struct Batch::SourceReading {
    std::unique_ptr<FileWriter> container;
    FileVersion version;
    std::uint64_t read = 0;
    bool stopped = false;
    bool tooLarge = false;
    bool replaced = false;  // another file than the walk found stands at the source's name
    bool unchanged = false; // it is the file that its container in the library was made of
    // The source is held in `held` until it is read whole, for its thumbnail.
    bool holding = false;
    std::vector<std::uint8_t> held{};
    // Of what the container holds, in order, when the source's original is to go.
    bool hashing = false;
    crypto_generichash_state digest{};

    // Whether the source opened at `opened` is to be read: the walk's file, within the size
    // limit, and not the one its library container was made of.
    bool takes(const FileVersion& opened, const RunFile& source, bool sizeLimited,
               const LibraryEntry* inLibrary) {
        replaced = !isWalked(source, opened);
        tooLarge = sizeLimited && overSizeLimit(opened.size);
        unchanged = inLibrary != nullptr && inLibrary->source.size == opened.size &&
                    inLibrary->source.modifiedNs == opened.modified;
        return !replaced && !tooLarge && !unchanged;
    }
    // Begins the digest of what the container holds, when it is wanted.
    void beginDigest(bool wanted) {
        hashing = wanted;
        if (hashing) {
            crypto_generichash_init(&digest, nullptr, 0, crypto_generichash_BYTES);
        }
    }
    void addToDigest(std::span<const std::uint8_t> piece) {
        if (hashing) {
            crypto_generichash_update(&digest, piece.data(), piece.size());
        }
    }
};

RunResult Batch::encrypt(const EncryptRequest& request, RunReport& report) {
    return guarded([&](RunResult& result) { encryptFiles(request, report, result); });
}

PasswordVerdict Batch::passwordCheck(ContainerClass level, std::string_view password) {
    return checkPassword(level, password);
}

std::optional<RunEnd> Batch::refusal(const EncryptRequest& request, RunReport& report,
                                     RunResult& result) {
    result.passwordRule = request.containerClass;
    result.passwordVerdict = passwordCheck(request.containerClass, request.password);
    if (result.passwordVerdict.problem != PasswordProblem::None) {
        return RunEnd::PasswordRejected;
    }
    if (classRow(request.containerClass).enciphered) {
        return passphraseRefusal(request.password, report);
    }
    return std::nullopt;
}

void Batch::encryptFiles(const EncryptRequest& request, RunReport& report, RunResult& result) {
    if (const std::optional<RunEnd> end = refusal(request, report, result)) {
        result.end = *end;
        return;
    }
    EncryptRun run{.files = gather(request.files, request.trees, request.ownFolderNames,
                                   request.into, report, result),
                   .keys = {.password = request.password, .generator = &generator_}};
    const std::vector<RunFile>& files = run.files.files;
    if (files.empty()) {
        return;
    }
    result.started = true;
    result.count = static_cast<int>(files.size());
    report.progress(
        {.stage = RunProgress::Stage::Started, .count = static_cast<int>(files.size())});
    if (classRow(request.containerClass).recordsName) {
        std::optional<Library> library = readLibrary(request, files, hidesNames(request), report);
        if (!library) {
            result.end = RunEnd::Stopped;
            return;
        }
        // Containers that another passphrase made are no part of a library of this one.
        if (!library->parameters && library->othersFound &&
            !report.ask({.kind = RunQuestion::Kind::OtherPassphrase,
                         .path = outputRoot(files.front(), request.outputPlace())})) {
            result.end = RunEnd::Declined;
            return;
        }
        result.intoLibrary = !library->entries.empty();
        run.library = std::move(*library);
    }
    if (classRow(request.containerClass).enciphered) {
        // One salt for the run, the library's when its output folders hold one: every container
        // of it shares the key, which is derived once.
        run.keys.parameters = run.library.parameters.value_or(newProtectedParameters(request.cost));
        run.keys.key = keyFor(run.keys.parameters, request.password, report);
        if (run.keys.key == nullptr) {
            result.end =
                keys_.failure() == RunKeys::Failure::GivenUp ? RunEnd::Stopped : RunEnd::NoKey;
            return;
        }
    }
    // The run is sure to start: only now does its output folder appear. The scratch file's
    // folder is made by the file layer when the first High level container needs it.
    result.outputFolder = outputRoot(files.front(), request.outputPlace());
    makeOutputFolders(files, request.outputPlace());
    selection_ = identified(files);
    const bool completed = forEachFile(files, report, result, [&](std::size_t index) {
        return encryptOne(request, run, index, report);
    });
    result.replaced = std::move(run.replaced);
    result.changed = run.changed;
    result.trashed = run.trashed;
    result.keptOriginals = std::move(run.kept);
    result.end = completed ? RunEnd::Completed : RunEnd::Stopped;
}

bool Batch::holdsEncrypted(const std::string& path) {
    if (files_.readableSize(path).reason) {
        return false;
    }
    try {
        const FileEnd end = containerEnd(files_, path);
        const std::optional<ContainerClass> level = classAtEnd(end.bytes, end.wholeFile);
        return level && classRow(*level).enciphered;
    } catch (const FileError&) {
        return false;
    }
}

std::string Batch::containerPathOf(const EncryptRequest& request, const RunFile& file) {
    const ClassRow& row = classRow(request.containerClass);
    const auto isFree = [this](const std::string& path) { return freeForOutput(files_, path); };
    if (!hidesNames(request)) {
        const std::string_view designedSuffix = request.appendSuffix ? "E" : "";
        const std::string name =
            namePart(file.path) + std::string(row.fileType.empty() ? designedSuffix : row.fileType);
        std::string path = outputPath(file, request.outputPlace(), name);
        // A folder chosen for the containers is the user's own: nothing in it is replaced.
        for (int number = 2; !request.into.empty() && !isFree(path); ++number) {
            path = outputPath(file, request.outputPlace(), numberedName(name, number));
        }
        return path;
    }
    // A name that says nothing, and that no file of the folder has, straight in the output
    // folder: the container records the folders of its source.
    for (;;) {
        std::string hidden = outputRoot(file, request.outputPlace()) + "/" + hiddenName() +
                             std::string(row.fileType);
        if (isFree(hidden)) {
            return hidden;
        }
    }
}

FileOutcome Batch::encryptOne(const EncryptRequest& request, EncryptRun& run, std::size_t index,
                              RunReport& report) {
    const RunFile& file = run.files.files[index];
    const std::string& path = file.path;
    if (!hidesNames(request)) {
        makeFoldersFor(file, request.outputPlace());
    }
    // A source that the library holds already goes into the container it has there, if it has
    // changed since.
    const LibraryEntry* inLibrary =
        run.library.find(outputRoot(file, request.outputPlace()), pathBelowRoot(file));
    const std::string output = inLibrary ? inLibrary->container : containerPathOf(request, file);
    // A container that only the password opens is not replaced by one that anyone opens
    // without a word: encrypting the same pictures again in another class is easily done.
    const bool replaces = !classRow(request.containerClass).enciphered && holdsEncrypted(output);
    if (replaces && !report.ask({.kind = RunQuestion::Kind::ReplaceProtected, .path = output})) {
        return FileOutcome::leftOut(LeftOutReason::ProtectedKept);
    }
    const std::vector<RunFile>& files = run.files.files;
    const std::string next = index + 1 < files.size() ? files[index + 1].path : "";
    FileOutcome outcome;
    SourceRead read;
    const bool removes = removesOriginals(request);
    try {
        outcome = encryption(file, next, request.containerClass, run.keys, output,
                             {request.thumbnail, inLibrary, removes ? &read : nullptr}, report);
    } catch (const FileError& error) {
        if (const std::optional<FileOutcome> leftOut = leftOutUnreadable(error, path)) {
            return *leftOut;
        }
        throw;
    }
    if (removes && outcome.kind == FileOutcome::Kind::Done) {
        removeOriginal(file, output, run, read);
    }
    if (replaces && outcome.kind == FileOutcome::Kind::Done) {
        run.replaced.push_back(output);
    }
    if (inLibrary && outcome.kind == FileOutcome::Kind::Done) {
        ++run.changed;
    }
    return outcome;
}

Batch::SourceReading Batch::readSource(const RunFile& source, const std::string& next,
                                       ContainerClass level, const WriterKeys& keys,
                                       const std::string& containerPath, const SourceExtras& extras,
                                       RunReport& report) {
    const ThumbnailMaker& thumbnail = extras.thumbnail;
    const LibraryEntry* inLibrary = extras.inLibrary;
    const bool sizeLimited = classRow(level).sizeLimited;
    ContainerWriting& writer = writerOf(level);
    SourceReading reading;
    const auto start = [&](std::span<const std::uint8_t> thumbnailBytes) {
        writer.start(keys, {pathBelowRoot(source), reading.version.modified, reading.version.size},
                     thumbnailBytes, [&reading](std::string_view text) {
                         reading.container->write(asBytes(text));
                     });
    };
    // The version that the file was opened at is the one its container records, and the one a
    // size limit holds against: the path may name another file by now. A container that seals
    // a thumbnail begins with it, so such a source is held until it is read whole, and its
    // thumbnail made of the bytes that the container holds.
    const auto opened = [&](const FileVersion& version) {
        if (!reading.takes(version, source, sizeLimited, inLibrary)) {
            return false;
        }
        reading.version = version;
        reading.holding =
            thumbnail && classRow(level).recordsName && version.size <= largestThumbnailSource;
        reading.container = files_.createFile(containerPath, source.path, selection_, {});
        reading.beginDigest(extras.read != nullptr);
        if (reading.holding) {
            reading.held.reserve(version.size);
        } else {
            start({});
        }
        return true;
    };
    reading.version =
        files_.readFile(source.path, next, opened, [&](std::span<const std::uint8_t> piece) {
            reading.stopped = report.stopRequested();
            reading.read += piece.size();
            reading.tooLarge = sizeLimited && reading.read > largestSource;
            if (reading.stopped || reading.tooLarge ||
                (reading.holding && reading.read > largestThumbnailSource)) {
                return false;
            }
            reading.addToDigest(piece);
            if (reading.holding) {
                reading.held.insert(reading.held.end(), piece.begin(), piece.end());
            } else {
                writer.append(piece);
            }
            return true;
        });
    if (reading.holding && reading.version.steady && reading.read == reading.version.size) {
        start(thumbnailOf(reading.held, thumbnail));
        writer.append(reading.held);
    }
    return reading;
}

FileOutcome Batch::encryption(const RunFile& source, const std::string& next, ContainerClass level,
                              const WriterKeys& keys, const std::string& containerPath,
                              const SourceExtras& extras, RunReport& report) {
    // A source given up takes no key: the next container gets the one it would have had.
    const KeyGenerator generatorBefore = generator_;
    for (int pass = 1;; ++pass) {
        SourceReading reading =
            readSource(source, pass == 1 ? next : "", level, keys, containerPath, extras, report);
        if (reading.unchanged) {
            generator_ = generatorBefore;
            return FileOutcome::unchanged();
        }
        if (reading.stopped || reading.tooLarge || reading.replaced) {
            generator_ = generatorBefore;
            if (reading.replaced) {
                return FileOutcome::leftOut(LeftOutReason::Replaced);
            }
            return reading.stopped ? FileOutcome::stopped()
                                   : FileOutcome::leftOut(LeftOutReason::TooLarge);
        }
        // A source that changed while it was read, or shrank or grew, would give a container of
        // a mix or of part of it: it is read again, unless it keeps changing.
        ContainerWriting& writer = writerOf(level);
        if (reading.version.steady && reading.read == reading.version.size && writer.finish()) {
            const std::string_view scratch = writer.scratchText();
            if (!scratch.empty() && !writeScratch(scratch, report)) {
                generator_ = generatorBefore;
                return FileOutcome::stopped();
            }
            reading.container->complete();
            if (extras.read != nullptr) {
                extras.read->version = reading.version;
                crypto_generichash_final(&reading.digest, extras.read->digest.data(),
                                         extras.read->digest.size());
            }
            return FileOutcome::done();
        }
        generator_ = generatorBefore;
        if (pass == sourcePasses) {
            return FileOutcome::leftOut(LeftOutReason::Changed);
        }
    }
}

namespace {

// The BLAKE2b of the bytes restored into it, and whether they were the whole source,
// authenticated.
struct DigestSink final : RestoreSink {
    crypto_generichash_state state{};
    bool proven = false;
    bool completed = false;

    void begin() override {
        crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES);
        proven = completed = false;
    }
    void record(const SourceRecord&) override {}
    void write(std::span<const std::uint8_t> bytes) override {
        crypto_generichash_update(&state, bytes.data(), bytes.size());
    }
    void authenticated(bool authenticated) override { proven = authenticated; }
    void complete() override { completed = true; }
};

} // namespace

bool Batch::verified(const std::string& containerPath, const WriterKeys& keys,
                     const SourceRead& read) {
    files_.flushToDisk(containerPath);
    DigestSink sink;
    const std::string next;
    const KeyProvider key = [&keys](const ProtectedParameters& parameters) {
        return parameters == keys.parameters ? keys.key : nullptr;
    };
    const FileOutcome outcome =
        restoreContainer({.path = containerPath,
                          .next = next,
                          .files = files_,
                          .readers = readers_,
                          .keys = key,
                          .noKey = [] { return FileOutcome::leftOut(LeftOutReason::NotOpened); },
                          .stop = [] { return false; }},
                         sink);
    std::array<std::uint8_t, crypto_generichash_BYTES> digest{};
    crypto_generichash_final(&sink.state, digest.data(), digest.size());
    return outcome.kind == FileOutcome::Kind::Done && sink.proven && sink.completed &&
           digest == read.digest;
}

void Batch::removeOriginal(const RunFile& source, const std::string& containerPath, EncryptRun& run,
                           const SourceRead& read) {
    // Any failure keeps the original where it is, and says why.
    const auto keep = [&](LeftOutReason reason, std::error_code error = {}) {
        run.kept.push_back({source.path, reason, error});
    };
    try {
        if (!verified(containerPath, run.keys, read)) {
            keep(LeftOutReason::NotVerified);
        } else if (!files_.moveToTrash(source.path, read.version)) {
            keep(LeftOutReason::Replaced);
        } else {
            ++run.trashed;
        }
    } catch (const FileError& error) {
        keep(error.path() == containerPath ? LeftOutReason::NotVerified : LeftOutReason::NotTrashed,
             error.reason());
    }
}

} // namespace tarvex
