#include "batch/RunKeys.h"

#include "container/Sodium.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace tarvex {

// What a derivation's thread and its waiter share; whoever is last frees it.
struct RunKeys::Derivation {
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<ProtectedKey> key;
};

RunKeys::~RunKeys() {
    if (givenUp_.joinable()) {
        givenUp_.join();
    }
}

bool RunKeys::holds(const ProtectedParameters& parameters) const {
    return std::any_of(keys_.begin(), keys_.end(),
                       [&](const auto& known) { return known.first == parameters; });
}

const ProtectedKey* RunKeys::keyFor(std::string_view password,
                                    const ProtectedParameters& parameters, const KeyWait& wait) {
    failure_ = Failure::None;
    for (const auto& [known, key] : keys_) {
        if (known == parameters) {
            return &key;
        }
    }
    if (givenUp_.joinable()) {
        givenUp_.join();
    }
    const auto derivation = std::make_shared<Derivation>();
    std::thread thread([derivation, password = std::string(password), parameters]() mutable {
        ProtectedKey key = ProtectedKey::derive(password, parameters);
        wipe(password);
        const std::lock_guard lock(derivation->mutex);
        derivation->key.emplace(std::move(key));
        derivation->finished.notify_one();
    });

    constexpr auto pause = std::chrono::milliseconds(20);
    std::unique_lock lock(derivation->mutex);
    while (
        !derivation->finished.wait_for(lock, pause, [&] { return derivation->key.has_value(); })) {
        lock.unlock();
        const bool goOn = wait();
        lock.lock();
        if (!goOn) {
            lock.unlock();
            givenUp_ = std::move(thread);
            failure_ = Failure::GivenUp;
            return nullptr;
        }
    }
    lock.unlock();
    thread.join();
    if (!derivation->key->valid()) {
        failure_ = Failure::OutOfMemory;
        return nullptr;
    }
    keys_.emplace_back(parameters, std::move(*derivation->key));
    return &keys_.back().second;
}

} // namespace tarvex
