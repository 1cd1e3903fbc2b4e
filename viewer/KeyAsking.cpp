#include "viewer/KeyAsking.h"

#include "desktop/QtText.h"
#include "texts/Catalogue.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <string>

namespace tarvex {

namespace {

// The first pieces that tell whether a passphrase is right: a few, should the first be damaged.
constexpr std::size_t checkedContainers = 3;

} // namespace

KeyAsking::KeyAsking(Setup setup, Events events, QWidget* window)
    : setup_(std::move(setup)), events_(std::move(events)), window_(window) {}

KeyAsking::~KeyAsking() {
    waitForWork();
}

KeyAsking::Salt* KeyAsking::saltOf(const ProtectedParameters& parameters) {
    const auto found = std::find_if(salts_.begin(), salts_.end(), [&](const Salt& salt) {
        return salt.parameters == parameters;
    });
    return found != salts_.end() ? &*found : nullptr;
}

void KeyAsking::need(const ProtectedParameters& parameters, const std::string& path,
                     const QString& name) {
    if (setup_.keys.find(parameters) != nullptr) {
        events_.ready(parameters);
        return;
    }
    Salt* salt = saltOf(parameters);
    if (salt == nullptr) {
        salt = &salts_.emplace_back();
        salt->parameters = parameters;
        salt->name = name;
        waiting_.push_back(parameters);
        QMetaObject::invokeMethod(this, &KeyAsking::askNext, Qt::QueuedConnection);
    }
    if (salt->paths.size() < checkedContainers &&
        std::find(salt->paths.begin(), salt->paths.end(), path) == salt->paths.end())
        salt->paths.push_back(path);
    if (salt->refusal)
        events_.refused(parameters, *salt->refusal);
}

void KeyAsking::askAgain(const ProtectedParameters& parameters) {
    Salt* salt = saltOf(parameters);
    if (salt == nullptr || !salt->refusal || setup_.tries.locked() ||
        *salt->refusal == KeyRefusal::WrongPassphrase)
        return;
    if (*salt->refusal == KeyRefusal::NotDerived)
        moreKeys_.reset();
    salt->refusal.reset();
    waiting_.push_back(parameters);
    askNext();
}

void KeyAsking::askNext() {
    if (busy_ || waiting_.empty())
        return;
    Salt& salt = *saltOf(waiting_.front());
    waiting_.pop_front();
    if (setup_.tries.locked()) {
        refuse(salt, KeyRefusal::WrongPassphrase);
        askNext();
        return;
    }
    busy_ = true;
    if (!mayDerive(salt)) {
        busy_ = false;
        refuse(salt, KeyRefusal::NotDerived);
        askNext();
        return;
    }
    const std::string name = salt.name.toStdString();
    const std::string_view prompt =
        salt.wrongBefore ? texts_->viewerPassphraseAgain : texts_->viewerPassphrase;
    std::optional<QString> typed = setup_.dialogs.passphrase(window_, applicationTitle(),
                                                             messageText(filledIn(prompt, {name})));
    if (!typed || typed->isEmpty()) {
        busy_ = false;
        // An empty passphrase is none that a container was made with: the box comes again.
        if (typed)
            waiting_.push_front(salt.parameters);
        else
            refuse(salt, KeyRefusal::NoPassphrase);
        askNext();
        return;
    }
    startDerivation(salt, secretOf(std::move(*typed)));
}

bool KeyAsking::mayDerive(const Salt& salt) {
    const auto costly = [&](double times) {
        // The usual key takes about a second.
        const std::string ratio = std::to_string(int(std::lround(times)));
        const std::string memory = std::to_string(salt.parameters.cost.memlimitKiB / 1024);
        return setup_.dialogs.question(
            window_, messageText(filledIn(texts_->viewerCostlyKey,
                                          {salt.name.toStdString(), ratio, ratio, memory})));
    };
    // A no holds for the viewing, until the user asks again for a key refused.
    const auto more = [&](std::size_t) {
        if (!moreKeys_)
            moreKeys_ = setup_.dialogs.question(window_, messageText(texts_->viewerManyKeys));
        return *moreKeys_;
    };
    return policy_.mayDerive(salt.parameters, {.costlyKey = costly, .manyKeys = more});
}

void KeyAsking::startDerivation(const Salt& salt, Secret passphrase) {
    policy_.deriving(salt.parameters);
    events_.deriving(true);
    waitForWork();
    derivation_ =
        deriveAside(std::move(passphrase), salt.parameters, setup_.derive,
                    [this, parameters = salt.parameters, paths = salt.paths](ProtectedKey key) {
                        Derived result{.parameters = parameters,
                                       .key = std::make_shared<ProtectedKey>(std::move(key)),
                                       .checked = {}};
                        if (result.key->valid())
                            check(result, paths);
                        hand(std::move(result));
                    });
}

void KeyAsking::check(Derived& result, const std::vector<std::string>& paths) {
    const std::unique_ptr<FileSystem> files = setup_.fileSystems();
    result.wrong = keyWrongFor(*result.key, result.parameters, paths, *files);
    result.checked.insert(result.checked.end(), paths.begin(), paths.end());
}

void KeyAsking::waitForWork() {
    if (derivation_.joinable())
        derivation_.join();
}

void KeyAsking::work(std::function<Derived()> job) {
    waitForWork();
    derivation_ = std::thread([this, job = std::move(job)] { hand(job()); });
}

void KeyAsking::hand(Derived result) {
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result)] { derived(result); }, Qt::QueuedConnection);
}

void KeyAsking::derived(const Derived& result) {
    Salt& salt = *saltOf(result.parameters);
    // The containers that needed the key after it was asked for may open with it.
    std::vector<std::string> unchecked;
    for (const std::string& path : salt.paths) {
        if (std::find(result.checked.begin(), result.checked.end(), path) == result.checked.end())
            unchecked.push_back(path);
    }
    if (result.key->valid() && result.wrong && !unchecked.empty()) {
        work([this, again = Derived(result), unchecked]() mutable {
            check(again, unchecked);
            return again;
        });
        return;
    }
    busy_ = false;
    events_.deriving(false);
    if (!result.key->valid()) {
        setup_.dialogs.message(window_, applicationTitle(), messageText(texts_->msgNoMemoryForKey));
        refuse(salt, KeyRefusal::NoMemory);
    } else if (!result.wrong) {
        setup_.tries.succeeded();
        salt.wrongBefore = false;
        setup_.keys.keep(result.parameters, std::move(*result.key));
        events_.ready(result.parameters);
    } else if (setup_.tries.failed()) {
        setup_.dialogs.message(window_, applicationTitle(),
                               messageText(texts_->viewerTooManyTries));
        refuse(salt, KeyRefusal::WrongPassphrase);
    } else {
        salt.wrongBefore = true;
        waiting_.push_front(salt.parameters);
    }
    askNext();
}

void KeyAsking::refuse(Salt& salt, KeyRefusal why) {
    salt.refusal = why;
    events_.refused(salt.parameters, why);
}

} // namespace tarvex
