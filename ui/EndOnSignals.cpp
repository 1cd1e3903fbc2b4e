#include "ui/EndOnSignals.h"

#include <QCoreApplication>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr std::array endingSignals{SIGTERM, SIGINT, SIGHUP};
// The pipe from the signal handler to the window's thread: its read end, then its write end.
std::array<int, 2> signalPipe{-1, -1};

extern "C" void noteSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a signal to end on: this one is not needed.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Blocks or unblocks the signals above for the calling thread, and the threads it starts after.
void block(bool blocked) {
    sigset_t held;
    sigemptyset(&held);
    for (const int number : endingSignals)
        sigaddset(&held, number);
    ::pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &held, nullptr);
}

void handleWith(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : endingSignals)
        ::sigaction(number, &action, nullptr);
}

} // namespace

void EndOnSignals::holdBack() {
    block(true);
}

EndOnSignals::EndOnSignals() {
    // A signal held back until now comes once it is unblocked, to the handler.
    if (::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { end(); });
        handleWith(noteSignal);
    }
    block(false);
}

EndOnSignals::~EndOnSignals() {
    if (!notifier_)
        return;
    handleWith(SIG_DFL);
    notifier_.reset();
    for (int& end : signalPipe) {
        ::close(end);
        end = -1;
    }
}

void EndOnSignals::end() {
    unsigned char number = 0;
    if (::read(signalPipe[0], &number, 1) == 1)
        QCoreApplication::exit(128 + number);
}

} // namespace tarvex
