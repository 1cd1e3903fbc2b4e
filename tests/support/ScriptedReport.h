#pragma once

#include "batch/Batch.h"
#include "batch/RunReport.h"
#include "support/ScriptedAnswers.h"

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::testing {

// A run's front end for tests. It records every call in order as a short text, with file names
// without their folder and the English wording of questions, reasons and notices:
//   "started 3", "deriving key", "key derived", "file 2/3 b.jpg", "question: <text>",
//   "left out: b.jpg: <reason>", "notice: <text>", "wait over", "password again: <estimate>".
// Questions and the passphrase typed again come from `script`; stopRequested() asks `stopWhen`.
class ScriptedReport final : public RunReport {
public:
    ScriptedAnswers script;
    // Asked at every stopRequested() with its number, from 1: true asks the run to stop. Never,
    // when empty.
    std::function<bool(int call)> stopWhen;

    void stopAtCall(int call) {
        stopWhen = [call](int current) { return current >= call; };
    }
    // Scripts the user of an encrypt run in a class that encrypts: `password` typed again right,
    // and used however weak it is.
    void acceptPassphrase(const std::string& password);
    const std::vector<std::string>& events() const { return events_; }
    // The events that begin with `prefix`, in order.
    std::vector<std::string> eventsOf(std::string_view prefix) const;

    void progress(const RunProgress& progress) override;
    bool ask(const RunQuestion& question) override;
    void leftOut(const LeftOutFile& file) override;
    void notice(RunNotice notice) override;
    std::optional<Secret> passwordAgain(double seconds) override;
    bool stopRequested() override;

private:
    std::vector<std::string> events_;
    int stopChecks_ = 0;
};

// A front end that hears nothing and answers No; asked to type the passphrase again, it cancels.
struct SilentReport final : RunReport {
    void progress(const RunProgress&) override {}
    bool ask(const RunQuestion&) override { return false; }
    void leftOut(const LeftOutFile&) override {}
    void notice(RunNotice) override {}
    std::optional<Secret> passwordAgain(double) override { return std::nullopt; }
    bool stopRequested() override { return false; }
};

// Expects that `result` ended on the failure of `action` on `path` for the system's error number
// `error`.
void expectFileError(const RunResult& result, FileAction action, const std::string& path,
                     int error);

// The runs as the window calls them, over `files`: English folder names, the password "secret1"
// and the key cost of the product unless the test sets others, and a scripted report. In a class
// that enciphers, encrypt() has the passphrase typed again right, and a weak one agreed to.
struct ScriptedRuns {
    explicit ScriptedRuns(FileSystem& files) : batch(files) {}

    EncryptRequest encryptRequest(std::vector<std::string> paths) const;
    DecryptRequest decryptRequest(std::vector<std::string> paths) const;
    RunResult encrypt(std::vector<std::string> paths,
                      ContainerClass level = ContainerClass::Standard, bool appendSuffix = false);
    RunResult decrypt(std::vector<std::string> paths, bool stripSuffix = false);

    std::string password = "secret1";
    ProtectedCost cost = protectedWriteCost;
    Batch batch;
    ScriptedReport report;
};

} // namespace tarvex::testing
