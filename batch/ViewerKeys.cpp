#include "batch/ViewerKeys.h"

namespace tarvex {

const ProtectedKey* ViewerKeys::find(const ProtectedParameters& parameters) const {
    const std::lock_guard lock(mutex_);
    for (const auto& [known, key] : keys_) {
        if (known == parameters)
            return &key;
    }
    return nullptr;
}

void ViewerKeys::keep(const ProtectedParameters& parameters, ProtectedKey key) {
    const std::lock_guard lock(mutex_);
    keys_.emplace_back(parameters, std::move(key));
}

} // namespace tarvex
