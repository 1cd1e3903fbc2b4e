#include "viewer/SaveCopy.h"

#include "batch/OutputNames.h"
#include "batch/Viewing.h"
#include "viewer/ViewerChoice.h"

namespace tarvex {

std::string copyName(const std::string& containerPath, const std::string& recordedName) {
    if (!recordedName.empty())
        return recordedName;
    const std::string name = namePart(containerPath);
    return namedTvx(name) ? name.substr(0, name.size() - tvxType.size())
                          : restoredName(name, false);
}

} // namespace tarvex
