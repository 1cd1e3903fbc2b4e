#include "cli/FileManager.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string_view>
#include <unistd.h>

extern char** environ;

namespace tarvex {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The path of xdg-open in the first folder of the PATH that has it as a program. An empty entry
// would stand for the working folder, which is not searched: a folder of pictures is no place
// to take programs from.
std::optional<std::string> xdgOpen() {
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? "" : folders.substr(colon + 1);
        if (folder.empty()) {
            continue;
        }
        std::string program = std::string(folder) + "/xdg-open";
        if (::access(program.c_str(), X_OK) == 0) {
            return program;
        }
    }
    return std::nullopt;
}

// The attributes of the spawn: a session of its own, and the signals that the program ignores or
// catches back at their defaults, none blocked.
void detach(posix_spawnattr_t& attributes) {
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int number : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&defaults, number);
    }
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

} // namespace

bool fileManagerAvailable() {
    return (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) && xdgOpen().has_value();
}

void openInFileManager(const std::string& folder) {
    const std::optional<std::string> program = xdgOpen();
    if (!program) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    detach(attributes);
    std::string name = "xdg-open";
    std::string argument = folder;
    char* arguments[] = {name.data(), argument.data(), nullptr};
    pid_t child = 0;
    posix_spawn(&child, program->c_str(), &actions, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace tarvex
