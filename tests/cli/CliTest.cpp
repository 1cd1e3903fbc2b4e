// tarvex-cli run end to end as a separate process on temporary folders.
#include "batch/Batch.h"
#include "container/ReferenceProtected.h"
#include "support/CliProcess.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "texts/Catalogue.h"

#include <QBuffer>
#include <QImage>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace tarvex::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
namespace fs = std::filesystem;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string asString(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class CliTest : public ::testing::Test {
protected:
    // Runs tarvex-cli with `arguments` in the temporary folder, `input` on its standard input.
    CliResult run(const std::vector<std::string>& arguments, const std::string& input = "") {
        const CliOutputs outputs{.out = io / "out", .err = io / "err"};
        const int status = CliProcess(arguments, input, temp.path(), outputs).wait();
        EXPECT_TRUE(WIFEXITED(status));
        return {WEXITSTATUS(status), asString(readFile(outputs.out)),
                asString(readFile(outputs.err))};
    }

    std::string source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        writeFile(temp / name, bytes);
        return temp / name;
    }

    TempFolder temp;
    TempFolder io;
};

TEST_F(CliTest, EncryptThenDecryptRestoresTheBytesInBothClasses) {
    const auto jpg = patternBytes(10'000, 1);
    const auto png = patternBytes(3, 2);
    source("a.jpg", jpg);
    source("b.png", png);
    const std::vector<std::pair<std::vector<std::string>, ContainerClass>> classes{
        {{}, ContainerClass::Standard}, {{"--class", "high"}, ContainerClass::HighLevel}};
    for (const auto& [classOptions, level] : classes) {
        std::vector<std::string> arguments{"encrypt", "--password-stdin", "--suffix"};
        arguments.insert(arguments.end(), classOptions.begin(), classOptions.end());
        arguments.insert(arguments.end(), {"a.jpg", "b.png"});
        const CliResult encrypted = run(arguments, "secret1\n");
        ASSERT_EQ(encrypted.status, 0) << encrypted.err;
        EXPECT_THAT(encrypted.err, HasSubstr("2 done, will open the encrypted folder: \n" +
                                             temp.path() + "/encrypted\n"));
        EXPECT_THAT(asString(readFile(temp / "encrypted/a.jpgE")),
                    EndsWith(std::string(classRow(level).marker) + "\r\n"));

        const CliResult decrypted = run({"decrypt", "--strip-suffix", "--password-stdin",
                                         temp / "encrypted/a.jpgE", temp / "encrypted/b.pngE"},
                                        "secret1\r\n");
        ASSERT_EQ(decrypted.status, 0) << decrypted.err;
        EXPECT_EQ(readFile(temp / "encrypted/decrypted/a.jpg"), jpg);
        EXPECT_EQ(readFile(temp / "encrypted/decrypted/b.png"), png);
    }
}

// The console writes the same containers as the window: the same code from a fresh process.
TEST_F(CliTest, ContainersMatchThoseOfTheRunsInAFreshProcess) {
    source("a.jpg", patternBytes(2'000, 3));
    source("b.jpg", patternBytes(900, 4));
    ASSERT_EQ(
        run({"encrypt", "--high", "--password-stdin", "a.jpg", "b.jpg"}, "pass#word\n").status, 0);

    TempFolder other;
    fs::copy_file(temp / "a.jpg", other / "a.jpg");
    fs::copy_file(temp / "b.jpg", other / "b.jpg");
    SilentReport silent;
    Batch batch(localFileSystem());
    const RunResult result = batch.encrypt({.files = {other / "a.jpg", other / "b.jpg"},
                                            .password = "pass#word",
                                            .containerClass = ContainerClass::HighLevel,
                                            .outputFolderName = "encrypted"},
                                           silent);
    ASSERT_EQ(result.end, RunEnd::Completed);
    ASSERT_EQ(result.done, 2);

    for (const std::string name : {"a.jpg", "b.jpg"}) {
        EXPECT_EQ(readFile(temp / ("encrypted/" + name)), readFile(other / ("encrypted/" + name)));
    }
}

TEST_F(CliTest, ChineseTextsNameTheFolders) {
    source("a.jpg", patternBytes(100, 5));
    const CliResult encrypted =
        run({"--lang", "zh", "encrypt", "--password-stdin", "a.jpg"}, "12345\n");
    ASSERT_EQ(encrypted.status, 0);
    EXPECT_THAT(encrypted.err, HasSubstr("1 个加密完成。打开文件夹：\n" + temp.path() + "/已加密"));

    const CliResult decrypted =
        run({"decrypt", "--lang=zh", "--password-stdin", "已加密/a.jpg"}, "12345\n");
    ASSERT_EQ(decrypted.status, 0);
    EXPECT_EQ(readFile(temp / "已加密/已解密/a.jpg"), readFile(temp / "a.jpg"));
}

TEST_F(CliTest, ExitStatusSaysHowTheCommandEnded) {
    source("a.jpg", patternBytes(100, 6));
    fs::create_directory(temp / "sub");
    source("sub/b.jpg", patternBytes(100, 7));
    source("plain.jpg", patternBytes(100, 8));
    ASSERT_EQ(run({"encrypt", "--password-stdin", "a.jpg"}, "secret1\n").status, 0);

    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        int status;
        std::string errorPart;
    };
    const std::vector<Case> cases{
        {{"decrypt", "--password-stdin", "encrypted/a.jpg"}, "wrong12\n", 1, "Illegal password"},
        {{"encrypt", "--password-stdin", "a.jpg"}, "abc\n", 1, "Password length should large"},
        {{"encrypt", "--password-stdin", "a.jpg"}, "", 1, "no password was given"},
        {{"encrypt", "--password-stdin", "a.jpg"}, "abcdefghijk\n", 1, "more than 10"},
        // A line is read so far only: what cannot be a password is refused at once.
        {{"encrypt", "--password-stdin", "a.jpg"}, std::string(60'000, 'a'), 1, "longer than 3072"},
        {{"encrypt", "--password-stdin", "a.jpg"}, std::string(3073, 'a') + "\r\n", 1, "longer"},
        // A passphrase of any length for the class that encrypts, with its strength told, and a
        // question for one that falls within a year.
        {{"encrypt", "--protected", "--password-stdin", "a.jpg"},
         std::string(2000, 'a') + "\n",
         1,
         "longer than 1024 bytes"},
        {{"encrypt", "--protected", "--password-stdin", "--no", "a.jpg"},
         "password\n",
         1,
         "falls within a year. Use it anyway?\n[y/n] n"},
        // Four characters of twelve bytes: as long as the window's entry takes.
        {{"encrypt", "--password-stdin", "a.jpg"}, "密码密码\n", 1, "str0[i]:密"},
        {{"encrypt", "--password-stdin", "gone.jpg"}, "secret1\n", 4, "gone.jpg: cannot be read"},
        {{"decrypt", "--password-stdin", "plain.jpg"}, "secret1\n", 1, "[y/n] n"},
        {{"encrypt", "--password-stdin"}, "secret1\n", 2, "no FILE"},
        {{"encrypt", "--password-stdin", "a.jpg", "sub/b.jpg"}, "secret1\n", 2, "one folder"},
        {{"decrypt", "--high", "--password-stdin", "a.jpg"}, "secret1\n", 2, "no option of"},
        {{"shred", "a.jpg"}, "", 2, "unknown command"},
        {{}, "", 2, "no command"},
        {{"encrypt", "a.jpg"}, "secret1\n", 2, "--password-stdin"},
        {{"decrypt", "--password-stdin", "encrypted/gone.jpg"}, "secret1\n", 3, "Cannot open file"},
    };
    for (const Case& c : cases) {
        const CliResult result = run(c.arguments, c.input);
        EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.arguments) << result.err;
        EXPECT_THAT(result.err, HasSubstr(c.errorPart)) << ::testing::PrintToString(c.arguments);
    }
    EXPECT_FALSE(fs::exists(temp / "decrypted"));
    EXPECT_FALSE(fs::exists(temp / "sub/encrypted"));
}

// A CR before the LF of the password line is no part of the password: the container written
// with it opens with the password typed without it.
TEST_F(CliTest, ACarriageReturnEndsThePasswordLineAsTheLineFeedDoes) {
    source("a.jpg", patternBytes(100, 6));
    ASSERT_EQ(run({"encrypt", "--password-stdin", "a.jpg"}, "secret1\r\n").status, 0);
    const CliResult result = run({"decrypt", "--password-stdin", "encrypted/a.jpg"}, "secret1\n");
    EXPECT_EQ(result.status, 0) << result.err;
}

// When the reader of the output has gone (a pipe into a program that ended), the program is not
// killed: the run goes on, and what it says is lost; the usage text, which is the whole output
// of --help, is a file error.
TEST_F(CliTest, AVanishedReaderOfTheOutputKillsNothing) {
    source("a.jpg", patternBytes(100, 6));
    const auto statusOf = [this](const std::vector<std::string>& arguments,
                                 const std::string& input) {
        const int status =
            CliProcess(arguments, input, temp.path(), {.out = "", .err = "", .readersGone = true})
                .wait();
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    };
    EXPECT_EQ(statusOf({"encrypt", "--password-stdin", "a.jpg"}, "secret1\n"), 0);
    EXPECT_TRUE(fs::exists(temp / "encrypted/a.jpg"));
    EXPECT_EQ(statusOf({"decrypt", "--password-stdin", "encrypted/a.jpg"}, "wrong12\n"), 1);
    EXPECT_EQ(statusOf({"--help"}, ""), 3);
}

// "tarvex-cli decrypt encrypted/*" a second time takes in the folder "decrypted" of the first:
// a folder is left out with a word, and the files around it are done.
TEST_F(CliTest, FoldersAmongTheFilesAreLeftOut) {
    const auto a = patternBytes(700, 9);
    const auto b = patternBytes(800, 10);
    source("a.jpg", a);
    source("b.jpg", b);
    ASSERT_EQ(run({"encrypt", "--password-stdin", "a.jpg", "b.jpg"}, "secret1\n").status, 0);
    const CliResult again =
        run({"encrypt", "--password-stdin", "a.jpg", "encrypted", "b.jpg"}, "secret1\n");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_THAT(again.err, HasSubstr("leaving out the folder \"" + temp.path() + "/encrypted\""));
    EXPECT_THAT(again.err, HasSubstr("2 done"));

    const std::vector<std::string> containers{"decrypt", "--password-stdin", "encrypted/a.jpg",
                                              "encrypted/decrypted", "encrypted/b.jpg"};
    ASSERT_EQ(run({"decrypt", "--password-stdin", "encrypted/a.jpg"}, "secret1\n").status, 0);
    const CliResult decrypted = run(containers, "secret1\n");
    EXPECT_EQ(decrypted.status, 0) << decrypted.err;
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/a.jpg"), a);
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/b.jpg"), b);

    const CliResult onlyFolders = run({"decrypt", "--password-stdin", "encrypted"}, "secret1\n");
    EXPECT_EQ(onlyFolders.status, 2);
    EXPECT_THAT(onlyFolders.err, HasSubstr("only folders"));
}

// A name is shown, never obeyed: the escape that would set the terminal's title and the line
// break that would forge a line of the report come out escaped, in each message that names a file.
TEST_F(CliTest, HostileNamesAreShownEscaped) {
    const std::string hostile = "x\x1b]0;owned\x07\ngone.jpg: forged";
    const std::string shown = "x\\x1b]0;owned\\x07\\ngone.jpg: forged";
    source("a.jpg", patternBytes(100, 13));
    ASSERT_EQ(run({"encrypt", "--password-stdin", "a.jpg"}, "secret1\n").status, 0);
    source("encrypted/" + hostile, patternBytes(100, 14));
    fs::create_directory(temp / hostile);
    source(hostile + "/b.jpg", patternBytes(100, 15));

    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string errorPart;
    };
    const std::vector<Case> cases{
        // Left out as it went, as the file could not be read.
        {{"encrypt", "--password-stdin", hostile + ".jpg"}, 4, shown + ".jpg: cannot be read"},
        // Asked about as no container, then left out.
        {{"decrypt", "--password-stdin", "--no", "encrypted/a.jpg", "encrypted/" + hostile},
         1,
         "/encrypted/" + shown + ": it is no container"},
        {{"encrypt", "--password-stdin", "a.jpg", hostile},
         0,
         "the folder \"" + temp.path() + "/" + shown},
        {{"encrypt", "--password-stdin", "a.jpg", hostile + "/b.jpg"}, 2, "/" + shown + "/b.jpg\""},
        {{hostile, "a.jpg"}, 2, "unknown command \"" + shown + "\""},
        {{"encrypt", "-" + hostile, "a.jpg"}, 2, "unknown option \"-" + shown + "\""},
    };
    for (const Case& c : cases) {
        const CliResult result = run(c.arguments, "secret1\n");
        EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.arguments) << result.err;
        EXPECT_THAT(result.err, HasSubstr(c.errorPart))
            << ::testing::PrintToString(c.arguments) << result.err;
        EXPECT_THAT(result.err, Not(HasSubstr("\x1b"))) << ::testing::PrintToString(c.arguments);
        EXPECT_THAT(result.err, Not(HasSubstr("\ngone.jpg: forged")))
            << ::testing::PrintToString(c.arguments);
    }
}

// The strength of a passphrase for the class that encrypts is told once, the weak question
// after it included.
TEST_F(CliTest, TheStrengthOfAPassphraseIsToldOnce) {
    source("a.jpg", patternBytes(100, 13));
    const CliResult result =
        run({"encrypt", "--protected", "--password-stdin", "--no", "a.jpg"}, "password\n");
    EXPECT_EQ(result.status, 1) << result.err;
    const std::string estimate = "An attacker with 1,000 GPUs";
    const std::size_t first = result.err.find(estimate);
    ASSERT_NE(first, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(estimate, first + 1), std::string::npos) << result.err;
    EXPECT_THAT(result.err, EndsWith("Use it anyway?\n[y/n] n\n"));
    EXPECT_FALSE(fs::exists(temp / "encrypted"));
}

// The output folder is offered only where a file manager can show it: with no display the run
// says what it did and asks nothing; with one and xdg-open on the PATH, Yes opens the folder.
TEST_F(CliTest, TheOutputFolderIsOfferedOnlyWhereItCanBeOpened) {
    source("a.jpg", patternBytes(100, 14));
    const CliResult headless = run({"encrypt", "--password-stdin", "--yes", "a.jpg"}, "secret1\n");
    EXPECT_EQ(headless.status, 0) << headless.err;
    EXPECT_THAT(headless.err, Not(HasSubstr("[y/n]")));
    EXPECT_THAT(headless.err, EndsWith("1 done, will open the encrypted folder: \n" + temp.path() +
                                       "/encrypted\n"));

    TempFolder tools;
    const std::string record = tools / "opened";
    {
        std::ofstream script(tools / "xdg-open");
        script << "#!/bin/sh\nprintf '%s' \"$1\" > " << record << ".part\nmv " << record << ".part "
               << record << "\n";
    }
    fs::permissions(tools / "xdg-open", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    const ChildProgram withDisplay{
        .path = "",
        .environment = {"DISPLAY=:7",
                        "PATH=" + tools.path() + ":" + (path ? path : "/usr/bin:/bin")}};
    const CliOutputs outputs{.out = io / "out", .err = io / "err"};
    const int status = CliProcess({"encrypt", "--password-stdin", "--yes", "a.jpg"}, "secret1\n",
                                  temp.path(), outputs, withDisplay)
                           .wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_THAT(asString(readFile(outputs.err)), EndsWith("/encrypted\n[y/n] y\n"));
    // xdg-open runs on its own after the program: its record is awaited.
    for (int tries = 0; tries < 2000 && !fs::exists(record); ++tries) {
        ::usleep(10'000);
    }
    ASSERT_TRUE(fs::exists(record));
    EXPECT_EQ(asString(readFile(record)), temp.path() + "/encrypted");
}

// Options come before or after the command, and --lang, wherever it is, chooses the language of
// every text, the usage and its errors among them; --help and --version print on the standard
// output.
TEST_F(CliTest, OptionsComeAnywhereInTheChosenLanguage) {
    source("a.jpg", patternBytes(100, 11));
    source("plain.jpg", patternBytes(100, 12));
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string errorPart;
    };
    const std::vector<Case> cases{
        // Encrypt, with no display to open its folder on, asks nothing; decrypt asks about a file
        // that is no container, and Yes goes on to the password check.
        {{"--yes", "--password-stdin", "encrypt", "a.jpg"}, 0, "1 done, will open"},
        {{"encrypt", "a.jpg", "--no", "--password-stdin"}, 0, "1 done, will open"},
        {{"--password-stdin", "--yes", "decrypt", "plain.jpg"}, 1, "[y/n] y\nIllegal password"},
        {{"decrypt", "plain.jpg", "--password-stdin", "--no"}, 1, "[y/n] n\n"},
        {{"--yes", "encrypt", "--no", "a.jpg"}, 2, "--yes and --no"},
        {{"encrypt", "--frob", "a.jpg", "--lang=zh"},
         2,
         "tarvex-cli: 未知选项“--frob”\n运行 'tarvex-cli --help' 查看用法。\n"},
        // Until the language is known, English.
        {{"decrypt", "--frob", "--lang", "fr"}, 2, "--lang takes one of en|zh, not \"fr\""},
    };
    for (const Case& c : cases) {
        const CliResult result = run(c.arguments, "secret1\n");
        EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.arguments) << result.err;
        EXPECT_THAT(result.err, HasSubstr(c.errorPart)) << ::testing::PrintToString(c.arguments);
    }

    for (const std::string help : {"-h", "--help"}) {
        const CliResult english = run({"encrypt", help});
        EXPECT_EQ(english.status, 0);
        EXPECT_THAT(english.out, StartsWith("Usage:\n"));
        EXPECT_TRUE(english.err.empty());
    }
    const CliResult chinese = run({"--lang", "zh", "--help", "decrypt"});
    EXPECT_EQ(chinese.status, 0);
    EXPECT_THAT(chinese.out, StartsWith("用法：\n  tarvex-cli encrypt [选项] 文件...\n"));
    EXPECT_THAT(chinese.out, HasSubstr("\n  --protected        同 --class protected\n"));
    EXPECT_THAT(chinese.out, HasSubstr("\n  --no               对所有提问回答“否”\n"));
    EXPECT_THAT(chinese.out, HasSubstr("\n退出状态：0 完成；1 提前结束"));

    // The version is the one that the window's caption shows.
    const CliResult version = run({"decrypt", "--version"});
    EXPECT_EQ(version.status, 0);
    ASSERT_THAT(version.out, StartsWith("tarvex-cli "));
    ASSERT_THAT(version.out, EndsWith("\n"));
    const std::string number = version.out.substr(11, version.out.size() - 12);
    EXPECT_THAT(std::string(englishTable().windowCaption), EndsWith(" v" + number));
}

// The text that the terminal `master` shows within `seconds`, until it holds `wanted`.
std::string terminalShows(int master, const std::string& wanted, int seconds) {
    std::string shown;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (shown.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < until) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 100) == 1) {
            char bytes[256];
            const ssize_t got = ::read(master, bytes, sizeof bytes);
            if (got <= 0) {
                break;
            }
            shown.append(bytes, static_cast<std::size_t>(got));
        }
    }
    return shown;
}

// A password typed at the terminal is in the process's memory: no core file takes it, and a
// signal that ends the program at the prompt gives the terminal its echo back.
TEST_F(CliTest, ThePromptLeavesNoCoreAndGivesTheEchoBackWhateverEndsIt) {
    source("a.jpg", patternBytes(100, 7));
    for (const int signal : {SIGQUIT, SIGTERM, SIGUSR1}) {
        int master = -1;
        const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As after `ulimit -c unlimited`.
            const rlimit anyCore{RLIM_INFINITY, RLIM_INFINITY};
            ::setrlimit(RLIMIT_CORE, &anyCore);
            ::chdir(temp.path().c_str());
            ::execl(TARVEX_CLI, "tarvex-cli", "encrypt", "a.jpg", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        EXPECT_THAT(terminalShows(master, "Password: ", 10), HasSubstr("Password: "));
        // The echo goes off once the prompt is shown.
        termios prompting{};
        for (int tries = 0; tries < 100; ++tries) {
            ASSERT_EQ(::tcgetattr(master, &prompting), 0);
            if ((prompting.c_lflag & ECHO) == 0) {
                break;
            }
            ::usleep(20'000);
        }
        EXPECT_EQ(prompting.c_lflag & ECHO, 0u);
        std::ifstream limits("/proc/" + std::to_string(child) + "/limits");
        const std::string table{std::istreambuf_iterator<char>(limits), {}};
        EXPECT_THAT(table, ::testing::ContainsRegex("Max core file size +0 +0"));

        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        termios after{};
        ASSERT_EQ(::tcgetattr(master, &after), 0);
        EXPECT_NE(after.c_lflag & ECHO, 0u) << "signal " << signal;
        ::close(master);
    }
}

// A folder of a tree that cannot be listed, or a tree of the whole system, makes the exit status
// tell the truth: a script that removes what it encrypted must never lose what was left out. As
// the superuser reads every folder, the program runs as nobody then.
TEST_F(CliTest, WhatATreeRunLeavesOutMakesTheExitStatusTellIt) {
    fs::create_directories(temp / "R/locked");
    source("R/a.jpg", patternBytes(100, 1));
    source("R/locked/b.jpg", patternBytes(100, 2));
    fs::create_directory_symlink("/", temp / "everything");
    const bool superuser = ::geteuid() == 0;
    if (superuser) {
        constexpr uid_t nobody = 65534;
        ASSERT_EQ(::chmod(temp.path().c_str(), 0755), 0);
        for (const auto& entry : fs::recursive_directory_iterator(temp / "R")) {
            ASSERT_EQ(::chown(entry.path().c_str(), nobody, nobody), 0);
        }
        ASSERT_EQ(::chown((temp / "R").c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(::chmod((temp / "R/locked").c_str(), 0), 0);
    const auto runTree = [&](const std::string& tree) {
        std::vector<std::string> arguments{"encrypt", "--password-stdin", "-r", tree};
        ChildProgram program;
        if (superuser) {
            arguments.insert(arguments.begin(),
                             {"--reuid=65534", "--regid=65534", "--clear-groups", TARVEX_CLI});
            program.path = "/usr/bin/setpriv";
        }
        const CliOutputs outputs{.out = io / "out", .err = io / "err"};
        const int status = CliProcess(arguments, "secret1\n", temp.path(), outputs, program).wait();
        EXPECT_TRUE(WIFEXITED(status));
        return CliResult{WEXITSTATUS(status), "", asString(readFile(outputs.err))};
    };
    const CliResult locked = runTree(temp / "R");
    EXPECT_EQ(locked.status, 4) << locked.err;
    EXPECT_THAT(locked.err, HasSubstr(temp / "R/locked"));
    EXPECT_EQ(readFile(temp / "R/encrypted/a.jpg").empty(), false);
    const CliResult system = runTree(temp / "everything");
    EXPECT_EQ(system.status, 1) << system.err;
    EXPECT_THAT(system.err, HasSubstr("a folder of the system itself"));
}

// A Protected container that the console writes seals an upright JPEG thumbnail of its picture,
// at most 256 pixels on its longer side; a file that is no picture gets none.
TEST_F(CliTest, AProtectedContainerSealsAThumbnailOfItsPicture) {
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "jpeg"));
    source("a.jpg", std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()));
    source("b.jpg", patternBytes(100, 5));
    const std::string passphrase = "correct horse battery staple 9Q";
    const CliResult result =
        run({"encrypt", "--protected", "--password-stdin", "a.jpg", "b.jpg"}, passphrase + "\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto opened = [&](const std::string& name) {
        const auto container =
            test::referenceOpenProtected(asString(readFile(temp / name)), passphrase);
        EXPECT_TRUE(container) << name;
        return container.value_or(test::ReferenceOpened{});
    };
    const std::vector<std::uint8_t> thumbnail = opened("encrypted/a.jpg.tvx").thumbnail;
    const QImage small = QImage::fromData(thumbnail.data(), std::ssize(thumbnail), "jpeg");
    EXPECT_EQ(small.size(), QSize(256, 170));
    EXPECT_EQ(opened("encrypted/b.jpg.tvx").thumbnail, std::vector<std::uint8_t>{});
}

// A library encrypted with hidden names into a folder of its own, and restored from there into
// another, comes back as it was: its paths, its bytes, its times; neither output folder holds an
// "encrypted" or "decrypted" folder, and the containers' folder names none of the library's.
TEST_F(CliTest, ALibraryGoesIntoAFolderAndComesBackIntoAnother) {
    const std::vector<std::string> paths{"lib/2023/03 March/a.jpg", "lib/家庭/春节 2024/b.png",
                                         "lib/c.jpg"};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        fs::create_directories(fs::path(temp / paths[i]).parent_path());
        source(paths[i], patternBytes(5'000 + i, static_cast<int>(i)));
    }
    fs::create_directories(temp / "vault");
    fs::create_directories(temp / "back");
    const std::string passphrase = "correct horse battery staple 9Q\n";
    const CliResult encrypted = run({"encrypt", "--protected", "--hide-names", "--password-stdin",
                                     "-r", "lib", "--into", "vault"},
                                    passphrase);
    ASSERT_EQ(encrypted.status, 0) << encrypted.err;
    std::set<std::string> kinds;
    for (const auto& entry : fs::directory_iterator(temp / "vault")) {
        kinds.insert(entry.is_regular_file() ? entry.path().extension().string() : "not a file");
    }
    EXPECT_EQ(kinds, std::set<std::string>{".tvx"});
    const CliResult restored =
        run({"decrypt", "--password-stdin", "-r", "vault", "--into", "back"}, passphrase);
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(namesIn(temp / "back"), (std::set<std::string>{"2023", "c.jpg", "家庭"}));
    for (const std::string& path : paths) {
        const fs::path back = temp / ("back" + path.substr(3));
        EXPECT_EQ(readFile(back), readFile(temp / path)) << path;
        EXPECT_EQ(fs::last_write_time(back), fs::last_write_time(temp / path)) << path;
    }
}

} // namespace
} // namespace tarvex::testing
