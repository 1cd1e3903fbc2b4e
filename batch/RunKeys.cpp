#include "batch/RunKeys.h"

#include "batch/KeyPolicy.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tarvex {

// What a derivation's thread and its waiter share; whoever is last frees it.
struct RunKeys::Derivation {
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<ProtectedKey> key;
};

RunKeys::~RunKeys() {
    // The derivation wipes its key when it ends; the process does not wait for it.
    if (givenUpThread_.joinable()) {
        givenUpThread_.detach();
    }
}

bool RunKeys::holds(const ProtectedParameters& parameters) const {
    return std::any_of(keys_.begin(), keys_.end(),
                       [&](const auto& known) { return known.first == parameters; });
}

bool RunKeys::waitFor(Derivation& derivation, const KeyWait& wait) {
    constexpr auto pause = std::chrono::milliseconds(20);
    std::unique_lock lock(derivation.mutex);
    while (!derivation.finished.wait_for(lock, pause, [&] { return derivation.key.has_value(); })) {
        lock.unlock();
        const bool goOn = wait();
        lock.lock();
        if (!goOn) {
            return false;
        }
    }
    return true;
}

const ProtectedKey* RunKeys::keyFor(std::string_view password,
                                    const ProtectedParameters& parameters, const KeyWait& wait) {
    failure_ = Failure::None;
    for (const auto& [known, key] : keys_) {
        if (known == parameters) {
            return &key;
        }
    }
    // One derivation at a time: each takes a few hundred megabytes.
    if (givenUp_) {
        if (!waitFor(*givenUp_, wait)) {
            failure_ = Failure::GivenUp;
            return nullptr;
        }
        givenUpThread_.join();
        givenUp_.reset();
    }
    const auto derivation = std::make_shared<Derivation>();
    std::thread thread =
        deriveAside(Secret::copyOf(password), parameters, {}, [derivation](ProtectedKey key) {
            const std::lock_guard lock(derivation->mutex);
            derivation->key.emplace(std::move(key));
            derivation->finished.notify_one();
        });
    if (!waitFor(*derivation, wait)) {
        givenUp_ = derivation;
        givenUpThread_ = std::move(thread);
        failure_ = Failure::GivenUp;
        return nullptr;
    }
    thread.join();
    if (!derivation->key->valid()) {
        failure_ = Failure::OutOfMemory;
        return nullptr;
    }
    keys_.emplace_back(parameters, std::move(*derivation->key));
    derivation->key.reset();
    return &keys_.back().second;
}

} // namespace tarvex
