#include "batch/ClassTools.h"

#include "container/DesignedFormat.h"
#include "protected/ProtectedFormat.h"

namespace tarvex {

std::unique_ptr<ContainerWriting> newWriting(ContainerClass level) {
    switch (level) {
    case ContainerClass::Standard:
        return newStandardWriting();
    case ContainerClass::HighLevel:
        return newHighLevelWriting();
    case ContainerClass::Protected:
        break;
    }
    return newProtectedWriting();
}

std::unique_ptr<ContainerReading> newReading(ContainerClass level) {
    return classRow(level).enciphered ? newProtectedReading() : newDesignedReading();
}

} // namespace tarvex
