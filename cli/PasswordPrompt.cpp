#include "cli/PasswordPrompt.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace tarvex {
namespace {

// Turns the echo of the terminal on standard input off while it lives.
class EchoOff {
public:
    EchoOff() {
        saved_ = ::tcgetattr(STDIN_FILENO, &settings_) == 0;
        if (saved_) {
            termios quiet = settings_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    ~EchoOff() {
        if (saved_) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios settings_{};
    bool saved_ = false;
};

} // namespace

InputLine promptPassword(std::string_view prompt, std::string& password) {
    std::fwrite(prompt.data(), 1, prompt.size(), stderr);
    std::fflush(stderr);
    InputLine read = InputLine::NoInput;
    {
        EchoOff echoOff;
        read = readInputLine(password);
    }
    std::fputs("\n", stderr);
    return read;
}

} // namespace tarvex
