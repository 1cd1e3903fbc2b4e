#include "support/CliProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvex::testing {

namespace {

int openOutput(const std::string& path) {
    return path.empty() ? ::open("/dev/null", O_WRONLY)
                        : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
}

// The test's environment with `changes` (NAME=value) in place of the variables they name.
std::vector<std::string> environmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> variables(changes);
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry(*variable);
        const std::string name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(changes.begin(), changes.end(),
                         [&name](const std::string& change) { return change.starts_with(name); }))
            variables.push_back(entry);
    }
    return variables;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& string : strings) {
        pointers.push_back(string.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::string& input,
                       const std::string& folder, const CliOutputs& outputs,
                       const ChildProgram& program) {
    std::vector<std::string> argv{program.path.empty() ? TARVEX_CLI : program.path};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::vector<char*> pointers = pointersTo(argv);
    std::vector<std::string> variables = environmentWith(program.environment);
    const std::vector<char*> environment = pointersTo(variables);

    // The input is a line or two: it fits the pipe, so it is written before the child starts.
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0 ||
        ::write(pipeEnds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        throw std::runtime_error("cannot pass the input to tarvex-cli");
    }
    ::close(pipeEnds[1]);
    int gone[2] = {-1, -1};
    if (outputs.readersGone && ::pipe(gone) != 0) {
        throw std::runtime_error("cannot make the outputs of tarvex-cli");
    }
    ::close(gone[0]);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = outputs.readersGone ? gone[1] : openOutput(outputs.out);
        const int err = outputs.readersGone ? gone[1] : openOutput(outputs.err);
        if (out < 0 || err < 0 || ::dup2(pipeEnds[0], 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0 || ::chdir(folder.c_str()) != 0) {
            ::_exit(127);
        }
        ::execve(pointers[0], pointers.data(), environment.data());
        ::_exit(127);
    }
    ::close(pipeEnds[0]);
    ::close(gone[1]);
    if (pid_ < 0) {
        throw std::runtime_error("cannot start tarvex-cli");
    }
}

CliProcess::~CliProcess() {
    kill();
    wait();
}

void CliProcess::kill() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
    }
}

void CliProcess::sendSignal(int number) {
    if (!reaped_) {
        ::kill(pid_, number);
    }
}

int CliProcess::wait() {
    if (!reaped_) {
        while (::wait4(pid_, &status_, 0, &usage_) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    return status_;
}

int runCli(const std::vector<std::string>& arguments, const std::string& input,
           const std::string& folder) {
    CliProcess process(arguments, input, folder);
    const int status = process.wait();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tarvex::testing
