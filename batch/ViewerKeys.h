#pragma once

#include "protected/ProtectedKey.h"

#include <deque>
#include <mutex>
#include <utility>

namespace tarvex {

// The keys of one viewing, one for each set of parameters (a salt and a cost) whose passphrase
// was found right. Kept on the window's thread, found by the workers: a key stays put, read-only,
// until the viewing ends, when it is wiped.
class ViewerKeys {
public:
    // The key of `parameters`, or null when there is none yet. Safe on any thread.
    const ProtectedKey* find(const ProtectedParameters& parameters) const;
    void keep(const ProtectedParameters& parameters, ProtectedKey key);

private:
    mutable std::mutex mutex_;
    std::deque<std::pair<ProtectedParameters, ProtectedKey>> keys_;
};

} // namespace tarvex
