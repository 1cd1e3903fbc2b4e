#pragma once

#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace tarvex::testing {

// Where a child process writes; an empty path throws that output away.
struct CliOutputs {
    std::string out;
    std::string err;
    // Both outputs are pipes whose readers have gone: every write to them fails.
    bool readersGone = false;
};

// The program of a child process, when it is not tarvex-cli, and the variables that its
// environment has in place of, or beside, the test's.
struct ChildProgram {
    std::string path;
    std::vector<std::string> environment; // NAME=value
};

// tarvex-cli (or `program`) running as a child process in `folder`, with `input` (a line or two) on
// its standard input. A process still running when the object goes is killed and reaped.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& arguments, const std::string& input,
               const std::string& folder, const CliOutputs& outputs = {},
               const ChildProgram& program = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Kills the process at once (SIGKILL) unless it has ended.
    void kill();
    // Sends it the signal `number` (SIGINT is what Ctrl-C at a terminal sends), unless it has
    // ended.
    void sendSignal(int number);
    // Waits for the end; the status as waitpid gives it.
    int wait();
    // What the process used, once it has ended.
    const rusage& usage() const { return usage_; }

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    rusage usage_{};
};

// Runs tarvex-cli to its end; its exit status, or -1 when it did not exit normally.
int runCli(const std::vector<std::string>& arguments, const std::string& input,
           const std::string& folder);

} // namespace tarvex::testing
