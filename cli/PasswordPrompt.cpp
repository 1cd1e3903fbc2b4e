#include "cli/PasswordPrompt.h"

#include <cstdio>
#include <unistd.h>

namespace tarvex {

InputLine promptPassword(std::string_view prompt, Secret& password) {
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
