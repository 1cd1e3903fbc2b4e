#pragma once

#include "batch/Viewing.h"
#include "desktop/Dialogs.h"

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarvex {

struct LanguageTable;

// Why the containers of some parameters show no picture for want of their key.
enum class KeyRefusal {
    NoPassphrase,    // the passphrase box was cancelled
    NotDerived,      // the user chose not to derive the key (too costly, or too many)
    WrongPassphrase, // the passphrase was wrong, and ten wrong ones have locked the asking
    NoMemory,        // the key needs more memory than there is
};

// The asking for the keys of the Protected containers of one viewing, on the window's thread:
// the passphrase once for each set of parameters (one encrypt run's), each key derived once off
// the window's thread, and found right when it opens the first piece of a container.
//
// Ten wrong passphrases in a row lock the asking for as long as `tries` lives (the program's
// life). A costly key, and a fifth key of the viewing, are asked about first (see KeyPolicy); a
// passphrase is a Secret from the box to the key.
class KeyAsking final : public QObject {
public:
    struct Setup {
        Dialogs& dialogs;
        WrongTries& tries;
        ViewerKeys& keys;
        KeyDerivation derive; // keyOfPassphrase when empty
        FileSystems fileSystems;
    };
    // What the viewer hears: a key is there; the key of some parameters will not come, and
    // why; a key is being derived or not.
    struct Events {
        std::function<void(const ProtectedParameters&)> ready;
        std::function<void(const ProtectedParameters&, KeyRefusal)> refused;
        std::function<void(bool)> deriving;
    };

    KeyAsking(Setup setup, Events events, QWidget* window);
    // Waits for a derivation under way: its key is wiped.
    ~KeyAsking() override;

    void setTexts(const LanguageTable& texts) { texts_ = &texts; }
    // The container `path`, shown as `name`, needs the key of `parameters`.
    void need(const ProtectedParameters& parameters, const std::string& path, const QString& name);
    // Asks again for the key of `parameters`, which was refused for want of a passphrase or a
    // derivation; nothing when the asking is locked.
    void askAgain(const ProtectedParameters& parameters);

private:
    // The parameters of an encrypt run, and what the asking knows of them.
    struct Salt {
        ProtectedParameters parameters;
        QString name;                   // of the first container that needed the key
        std::vector<std::string> paths; // the first few containers, whose first piece tells
        std::optional<KeyRefusal> refusal;
        bool wrongBefore = false; // the last passphrase typed for it was wrong
    };
    // What a derivation found: the key, the containers whose first piece was tried, and
    // whether the passphrase is wrong for them.
    struct Derived {
        ProtectedParameters parameters;
        std::shared_ptr<ProtectedKey> key;
        std::vector<std::string> checked;
        bool wrong = false;
    };

    Salt* saltOf(const ProtectedParameters& parameters);
    // Asks for the next key waiting, unless a box shows or a key is derived already.
    void askNext();
    // Asks what a costly key and a fifth key need asking; false when the user said no.
    bool mayDerive(const Salt& salt);
    void startDerivation(const Salt& salt, Secret passphrase);
    // Tries the key of `result` on the first pieces of `paths`.
    void check(Derived& result, const std::vector<std::string>& paths);
    // Runs `job` off the window's thread, once the one before has ended, and hands what it
    // found to derived().
    void work(std::function<Derived()> job);
    // Hands `result` to derived() on the window's thread.
    void hand(Derived result);
    // Waits for the derivation or check under way, if any.
    void waitForWork();
    // Keeps a key that is right, asks again for one that is wrong, or tries it on the
    // containers that needed it meanwhile.
    void derived(const Derived& result);
    void refuse(Salt& salt, KeyRefusal why);

    Setup setup_;
    Events events_;
    QWidget* window_;
    const LanguageTable* texts_ = nullptr;
    std::deque<Salt> salts_;
    std::deque<ProtectedParameters> waiting_;
    bool busy_ = false;            // a box shows, or a key is being derived
    KeyPolicy policy_;             // the keys of the viewing, and the user's word on more
    std::optional<bool> moreKeys_; // the answer to the question before a fifth key
    std::thread derivation_;       // a derivation, or a check of a key
};

} // namespace tarvex
