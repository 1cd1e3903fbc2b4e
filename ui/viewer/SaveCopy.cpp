#include "ui/viewer/SaveCopy.h"

#include "batch/OutputNames.h"
#include "batch/Restore.h"
#include "files/PathParts.h"
#include "ui/viewer/ViewerChoice.h"

namespace tarvex {

std::string copyName(const std::string& containerPath, const std::string& recordedName) {
    if (!recordedName.empty())
        return recordedName;
    const std::string name = namePart(containerPath);
    return namedTvx(name) ? name.substr(0, name.size() - tvxType.size())
                          : restoredName(name, false);
}

FileOutcome saveCopy(const std::string& containerPath, const std::string& target, FileSystem& files,
                     const ViewerKeys& keys) {
    ContainerReaders readers;
    const FileIdentities keep = files.identify({containerPath});
    RestoredToFile copy(files, containerPath, keep,
                        [&target](const std::string&) { return target; });
    const std::string next;
    const KeyProvider keyOf = [&keys](const ProtectedParameters& parameters) {
        return keys.find(parameters);
    };
    return restoreContainer({.path = containerPath,
                             .next = next,
                             .files = files,
                             .readers = readers,
                             .keys = keyOf,
                             .noKey = [] { return FileOutcome::leftOut(LeftOutReason::NotOpened); },
                             .stop = [] { return false; },
                             .restoreAnyway = {}},
                            copy);
}

} // namespace tarvex
