#pragma once

#include <QSocketNotifier>
#include <memory>

namespace tarvex {

// While an object of this class lives, SIGTERM, SIGINT and SIGHUP end the program the way its
// own end does, without the questions that a close of its windows may ask: the application's
// event loops end, main returns with 128 plus the signal's number, and the destructors remove what
// the program keeps in temporary folders. A signal only writes its number into a pipe, which the
// window's thread reads; signals that come while the program ends are caught too, so that they
// cannot cut its cleanup short. Made once, after the QApplication.
class EndOnSignals {
public:
    // Holds the signals back until an object of the class is made, so that none that comes
    // while the program starts (and its libraries make temporary folders) ends it before the
    // object can: the first call of main.
    static void holdBack();

    EndOnSignals();
    ~EndOnSignals();
    EndOnSignals(const EndOnSignals&) = delete;
    EndOnSignals& operator=(const EndOnSignals&) = delete;

private:
    void end();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tarvex
