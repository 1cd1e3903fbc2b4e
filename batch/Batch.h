#pragma once

#include "batch/FileLoop.h"
#include "batch/KeyPolicy.h"
#include "batch/Library.h"
#include "batch/Requests.h"
#include "batch/Restore.h"
#include "batch/RunFiles.h"
#include "batch/RunKeys.h"
#include "batch/RunReport.h"
#include "batch/RunResult.h"
#include "container/ClassFormat.h"
#include "container/KeyGenerator.h"
#include "files/FileSystem.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarvex {

// The encrypt and decrypt runs. A front end asks the user, makes a request of the answers and
// calls a run with it; the run tells it how it goes through `report`, asks it the questions of
// the files it meets, and gives back what it did. It never reaches for a window.
//
// One per process, as what it keeps from run to run belongs to the process: the generator of the
// designed classes' key characters (the n-th container a process writes always gets the same
// ones) and the writers' and readers' buffers. Every file step goes through `files`.
class Batch {
public:
    // Over the machine's own file system.
    Batch();
    explicit Batch(FileSystem& files);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Writes a container of each file of the request into the output folder beside them. The
    // password must meet the rule of the class; a class that enciphers derives its key first.
    RunResult encrypt(const EncryptRequest& request, RunReport& report);
    // Checks the password against the first file of the request, and then restores each file,
    // read by its own marker, into the output folder beside them.
    RunResult decrypt(const DecryptRequest& request, RunReport& report);
    // Whether `password` meets the rule of `level`: the check an encrypt run begins with, for a
    // front end that tells of it sooner.
    static PasswordVerdict passwordCheck(ContainerClass level, std::string_view password);

private:
    // The container of `source` into `containerPath`, in `level`, sealed with `keys`.
    // `next`, when not empty, is the file the caller will probably read after it. Throws
    // FileError for the output.
    // What a source read whole gave, for the checks of its container before the original goes.
    struct SourceRead {
        FileVersion version;
        std::array<std::uint8_t, 32> digest{}; // BLAKE2b of the bytes the container holds
    };
    // What a run in a class that records its sources does besides the container of one.
    struct SourceExtras {
        const ThumbnailMaker& thumbnail; // of the thumbnail sealed beside the source
        // The source's container in the library; a source still the file that it was made of
        // is left alone.
        const LibraryEntry* inLibrary = nullptr;
        SourceRead* read = nullptr; // filled in when the container is complete, if given
    };
    FileOutcome encryption(const RunFile& source, const std::string& next, ContainerClass level,
                           const WriterKeys& keys, const std::string& containerPath,
                           const SourceExtras& extras, RunReport& report);
    // Whether the container `containerPath`, read back from the disk with `keys`, restores
    // exactly what `read` says its source held; it is made durable first. Throws FileError.
    bool verified(const std::string& containerPath, const WriterKeys& keys, const SourceRead& read);

    // The files of a run, gathered from its request: what the walk of its trees left out is told
    // and kept in `result`. Their output folders are made as they are needed.
    // The folder that the outputs go into, if one is chosen, is opened with the roots.
    RunFiles gather(const std::vector<std::string>& files, const std::vector<std::string>& trees,
                    const std::vector<std::string>& ownFolderNames, std::string_view into,
                    RunReport& report, RunResult& result);
    // Makes the output folder of each root of `files`: group and others keep out of one whose
    // root keeps them out.
    void makeOutputFolders(const std::vector<RunFile>& files, const OutputPlace& place);
    // Makes the folders below its root's output folder that the output of `file` needs.
    void makeFoldersFor(const RunFile& file, const OutputPlace& place);
    // Makes the folders of `folders` ("a/b/", or "" for none) below the output folder `root`, as
    // closed to others as `root` is.
    void makeFoldersBelow(const std::string& root, std::string_view folders);
    struct EncryptRun;
    struct DecryptRun;
    struct SourceReading;
    struct FirstFile;

    // Runs `work`, which fills the result in; a file error ends it, and the result says which.
    // Nothing of the run is kept after it: its keys, its files, what was read ahead.
    RunResult guarded(const std::function<void(RunResult&)>& work);
    void encryptFiles(const EncryptRequest& request, RunReport& report, RunResult& result);
    // The checks of the password before any file is touched: how the run ends on them, or
    // nothing when it goes on.
    static std::optional<RunEnd> refusal(const EncryptRequest& request, RunReport& report,
                                         RunResult& result);
    void decryptFiles(const DecryptRequest& request, RunReport& report, RunResult& result);
    // Reads the source once into a container; see encryption.
    SourceReading readSource(const RunFile& source, const std::string& next, ContainerClass level,
                             const WriterKeys& keys, const std::string& containerPath,
                             const SourceExtras& extras, RunReport& report);
    // What the output folders of `sources` hold already of a Protected encrypt's library (see
    // Library), read as far as the containers' records with the keys of the request's passphrase;
    // nothing when a stop ended the reading.
    std::optional<Library> readLibrary(const EncryptRequest& request,
                                       const std::vector<RunFile>& sources, bool namesHidden,
                                       RunReport& report);
    // The path of the container of the source `path`: named after it, or, with hidden names, so
    // that the name says nothing.
    std::string containerPathOf(const EncryptRequest& request, const RunFile& file);
    // The files that `files` name, which no output may replace.
    FileIdentities identified(const std::vector<RunFile>& files);
    // Whether `path` holds a container of a class that encrypts.
    bool holdsEncrypted(const std::string& path);
    FileOutcome encryptOne(const EncryptRequest& request, EncryptRun& run, std::size_t index,
                           RunReport& report);
    // Moves the original `source` of the container `containerPath`, now complete, to the Trash
    // once the container is verified and the original is still the file that was read; else keeps
    // it, noting why in `run`.
    void removeOriginal(const RunFile& source, const std::string& containerPath, EncryptRun& run,
                        const SourceRead& read);
    // The check of the first file of a decrypt run: whether it is a container, and whether the
    // password opens it.
    FirstFile decryption1(const std::string& path, std::string_view password, RunReport& report);
    FileOutcome decryption(const DecryptRequest& request, DecryptRun& run, std::size_t index,
                           bool askedAlready, RunReport& report);
    // Where the container of `file` restores, its folders made: where the container lies, under
    // the name it records (`recorded`, "" for none) or else `nameOfContainer`; or at the path it
    // records, below the output folder, when that path holds folders.
    std::string restoredPath(const RunFile& file, const OutputPlace& place,
                             const std::string& recorded, const std::string& nameOfContainer);
    // How a container that needs a key ends when the run has none: left out for want of memory
    // or because the key was declined, else stopped.
    FileOutcome withoutKey() const;
    // The key of `password` for `parameters`, derived while the report shows the work and a
    // stop is honoured. Null when the wait was given up, or memory ran out (which it has said).
    const ProtectedKey* keyFor(const ProtectedParameters& parameters, std::string_view password,
                               RunReport& report);
    // Whether the key for `parameters` is worth its cost and its count: the user says, where
    // the key policy asks.
    bool worthDeriving(const ProtectedParameters& parameters, RunReport& report);
    // Keeps `text` in the scratch file. False when a stop ended the wait for another copy of the
    // program that writes it.
    bool writeScratch(std::string_view text, RunReport& report);
    ContainerWriting& writerOf(ContainerClass level);

    FileSystem& files_;
    KeyGenerator generator_;
    std::array<std::unique_ptr<ContainerWriting>, containerClasses.size()> writers_;
    ContainerReaders readers_;
    RunKeys keys_;                      // the keys of the run in hand
    FileIdentities selection_;          // the files of the run in hand, which no output replaces
    KeyPolicy keyPolicy_;               // when the run asks before it derives a key
    std::set<std::string> madeFolders_; // the output folders of the run in hand that are there
};

} // namespace tarvex
