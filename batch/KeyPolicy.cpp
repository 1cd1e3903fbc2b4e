#include "batch/KeyPolicy.h"

#include "passwords/PassphraseKey.h"

#include <algorithm>

namespace tarvex {

namespace {

// The work of a derivation at `cost`: passes times memory.
double workOf(ProtectedCost cost) {
    return double(cost.opslimit) * double(cost.memlimitKiB);
}

} // namespace

double timesWriteCost(ProtectedCost cost) {
    return workOf(cost) / workOf(protectedWriteCost);
}

bool KeyPolicy::mayDerive(const ProtectedParameters& parameters, const Questions& ask) {
    const double times = timesWriteCost(parameters.cost);
    if (times > costlyTimes && !ask.costlyKey(times))
        return false;
    const bool known = std::find(derived_.begin(), derived_.end(), parameters) != derived_.end();
    if (known || derived_.size() < keysWithoutAsking || manyAgreed_)
        return true;
    manyAgreed_ = ask.manyKeys(derived_.size());
    return manyAgreed_;
}

void KeyPolicy::deriving(const ProtectedParameters& parameters) {
    if (std::find(derived_.begin(), derived_.end(), parameters) == derived_.end())
        derived_.push_back(parameters);
}

void KeyPolicy::clear() {
    derived_.clear();
    manyAgreed_ = false;
}

std::thread deriveAside(Secret passphrase, const ProtectedParameters& parameters,
                        KeyDerivation derive, std::function<void(ProtectedKey)> done) {
    if (!derive)
        derive = keyOfPassphrase;
    return std::thread([passphrase = std::move(passphrase), parameters, derive = std::move(derive),
                        done = std::move(done)] { done(derive(passphrase.view(), parameters)); });
}

} // namespace tarvex
