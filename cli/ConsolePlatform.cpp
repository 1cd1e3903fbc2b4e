#include "cli/ConsolePlatform.h"

#include "cli/ConsoleInput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tarvex {
namespace {

void writeError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace

ConsolePlatform::ConsolePlatform(ConsoleSettings settings)
    : settings_(std::move(settings)), stderrIsTerminal_(::isatty(STDERR_FILENO) == 1),
      stdinIsTerminal_(::isatty(STDIN_FILENO) == 1) {}

void ConsolePlatform::writeLine(std::string_view text) {
    std::string line = progressLineOpen_ ? "\n" : "";
    progressLineOpen_ = false;
    line += text;
    std::replace(line.begin(), line.end(), '\r', '\n');
    writeError(line + "\n");
}

void ConsolePlatform::showMessage(std::string_view text) {
    writeLine(text);
}

bool ConsolePlatform::confirm(std::string_view text) {
    writeLine(text);
    if (settings_.assumeYes) {
        writeError("[y/n] y\n");
        return true;
    }
    if (!stdinIsTerminal_) {
        writeError("[y/n] n\n");
        return false;
    }
    writeError("[y/n] ");
    std::string answer;
    if (readInputLine(answer) != InputLine::Read) {
        writeError("\n");
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

std::vector<std::string> ConsolePlatform::openFiles(const OpenFilesRequest&) {
    return settings_.files;
}

void ConsolePlatform::openFolder(const std::string&) {}

void ConsolePlatform::openInBrowser(const std::string&) {}

std::string ConsolePlatform::programFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return program.parent_path().string() + "/";
}

void ConsolePlatform::setWindowHeight(WindowHeight) {}

void ConsolePlatform::processMessages() {
    if (InterruptCatcher::take() && onInterrupt_) {
        onInterrupt_();
    }
}

void ConsolePlatform::showWaiting(std::string_view text) {
    if (!text.empty()) {
        writeLine(text);
    }
}

void ConsolePlatform::setProgress(int, int) {}

void ConsolePlatform::showProgress(int done, int count, const std::string&) {
    if (!stderrIsTerminal_) {
        return;
    }
    writeError("\r" + std::to_string(done) + "/" + std::to_string(count));
    progressLineOpen_ = true;
}

void ConsolePlatform::setDecryptEnabled(bool) {}

void ConsolePlatform::setRunControlsEnabled(bool) {}

void ConsolePlatform::showBusy(bool) {}

std::optional<std::string> ConsolePlatform::passwordAgain(std::string_view) {
    return settings_.password;
}

void ConsolePlatform::noteLeftOut(std::string_view path, std::string_view reason) {
    writeLine(std::string(path) + ": " + std::string(reason));
}

bool ConsolePlatform::stopPending() {
    return InterruptCatcher::pending();
}

} // namespace tarvex
