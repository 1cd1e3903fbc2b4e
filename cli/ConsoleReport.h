#pragma once

#include "batch/RunReport.h"
#include "texts/Catalogue.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// The console's look of a run. Messages and questions go to standard error, each on lines of its
// own; a question is answered at the terminal on standard input unless `answer` answers them all,
// and No without a terminal. When standard error is a terminal, one status line there shows the
// progress ("3/10 name.jpg") or the work before the first file, and is cleared before anything
// else is written; otherwise nothing of the kind is written. Ctrl-C, SIGTERM and SIGHUP (see
// InterruptCatcher) ask the run to stop. Each file left out is named as the run leaves it.
// The strength of a passphrase is told once, before it is typed again; the weak question after it
// does not repeat it.
class ConsoleReport final : public RunReport {
public:
    // The passphrase typed again, or nothing when it was not.
    using PasswordAgain = std::function<std::optional<Secret>()>;

    ConsoleReport(const LanguageTable& texts, std::optional<bool> answer,
                  PasswordAgain passwordAgain);
    // Clears the status line.
    ~ConsoleReport() override;
    ConsoleReport(const ConsoleReport&) = delete;
    ConsoleReport& operator=(const ConsoleReport&) = delete;

    void progress(const RunProgress& progress) override;
    bool ask(const RunQuestion& question) override;
    void leftOut(const LeftOutFile& file) override;
    void notice(RunNotice notice) override;
    std::optional<Secret> passwordAgain(double seconds) override;
    bool stopRequested() override;

    // Writes `text` on its own lines of standard error, a carriage return inside it as a line
    // break, after clearing the status line.
    void say(std::string_view text);
    // Asks `text` as the run's questions are asked; true only for Yes.
    bool confirm(std::string_view text);

private:
    // Shows `text` on the status line, in place of what it showed; nothing without a terminal.
    void showStatus(const std::string& text);
    void clearStatus();

    const LanguageTable& texts_;
    std::optional<bool> answer_;
    PasswordAgain passwordAgain_;

    bool statusShown_ = false;
    bool stderrIsTerminal_;
    bool stdinIsTerminal_;
};

} // namespace tarvex
