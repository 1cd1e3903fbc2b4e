#include "batch/Library.h"

#include "batch/Batch.h"
#include "files/PathParts.h"

#include <set>

namespace tarvex {

namespace {

// The containers that a Protected encrypt may find already in its output folders: every one of
// the class's file type straight in each output folder, and, unless names are hidden, the one
// deeper that each source's container would replace.
// Each with the output folder it is in.
std::vector<std::pair<std::string, std::string>> candidates(FileSystem& files,
                                                            const EncryptRequest& request,
                                                            const std::vector<RunFile>& sources,
                                                            bool namesHidden) {
    const std::string_view fileType = classRow(request.containerClass).fileType;
    std::vector<std::pair<std::string, std::string>> found;
    for (const RunFile& source : sources) {
        if (!namesHidden && !foldersBelowRoot(source).empty()) {
            std::string path = outputPath(source, request.outputPlace(),
                                          namePart(source.path) + std::string(fileType));
            if (!files.readableSize(path).reason) {
                found.emplace_back(outputRoot(source, request.outputPlace()), std::move(path));
            }
        }
    }
    std::set<std::string> roots;
    for (const RunFile& source : sources) {
        roots.insert(outputRoot(source, request.outputPlace()));
    }
    for (const std::string& root : roots) {
        try {
            for (const FolderEntry& entry : files.listFolder(root)) {
                if (entry.kind == EntryKind::RegularFile && entry.name.ends_with(fileType)) {
                    found.emplace_back(root, root + "/" + entry.name);
                }
            }
        } catch (const FileError&) {
            // An output folder that is not there yet, or cannot be read, holds no library.
        }
    }
    return found;
}

} // namespace

std::optional<Library> Batch::readLibrary(const EncryptRequest& request,
                                          const std::vector<RunFile>& sources, bool namesHidden,
                                          RunReport& report) {
    Library library;
    for (const auto& [root, path] : candidates(files_, request, sources, namesHidden)) {
        std::optional<ProtectedParameters> opened;
        const KeyProvider keys = [&](const ProtectedParameters& parameters) {
            const ProtectedKey* key = keyFor(parameters, request.password, report);
            opened = parameters;
            return key;
        };
        RestoredInMemory record;
        const std::string next;
        FileOutcome outcome;
        try {
            outcome = restoreContainer({.path = path,
                                        .next = next,
                                        .files = files_,
                                        .readers = readers_,
                                        .keys = keys,
                                        .noKey = [] { return FileOutcome::stopped(); },
                                        .stop = [&report] { return report.stopRequested(); },
                                        .extent = ReadingExtent::Record},
                                       record);
        } catch (const FileError&) {
            continue; // a container that cannot be read is no part of the library
        }
        if (outcome.kind == FileOutcome::Kind::Stopped) {
            return std::nullopt;
        }
        if (outcome.kind == FileOutcome::Kind::LeftOut &&
            outcome.reason == LeftOutReason::NotOpened) {
            library.othersFound = true;
        }
        if (outcome.kind != FileOutcome::Kind::Done || !record.source || !opened) {
            continue;
        }
        if (!library.parameters) {
            library.parameters = opened;
        }
        library.entries[{root, record.source->path}] = {path, *record.source};
    }
    return library;
}

} // namespace tarvex
