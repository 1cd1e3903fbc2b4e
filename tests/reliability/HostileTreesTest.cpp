// Trees that an attacker with write access to a shared folder changes while a run goes on: a
// folder or a file swapped for a link or for another file, the output folder swapped for a link,
// a tree deeper than the system's longest path, names with no room for an output's, a root that
// is the whole system, and names sealed in containers that meet what is already there.
#include "files/LocalFileSystem.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "texts/Catalogue.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The machine's calls, but that `swap` runs once, just before the first call that opens the
// entry `name` of an open folder (for any use, a folder's resolution included).
class SwapBeforeOpening : public PosixCalls {
public:
    SwapBeforeOpening(std::string name, std::function<void()> swap)
        : name_(std::move(name)), swap_(std::move(swap)) {}

    int openAt(int folder, const char* name, int flags, mode_t mode) override {
        swapAt(name);
        return PosixCalls::openAt(folder, name, flags, mode);
    }
    int fstatAt(int folder, const char* name, struct stat* status, int flags) override {
        swapAt(name);
        return PosixCalls::fstatAt(folder, name, status, flags);
    }
    bool swapped() const { return swapped_; }

private:
    void swapAt(std::string_view name) {
        if (!swapped_ && name == name_) {
            swapped_ = true;
            swap_();
        }
    }

    std::string name_;
    std::function<void()> swap_;
    bool swapped_ = false;
};

// Every file below `folder`, by its path below it, with its bytes.
std::map<std::string, Bytes> filesBelow(const std::string& folder) {
    std::map<std::string, Bytes> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            found[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
        }
    }
    return found;
}

// A tree R with a/one.jpg and b/two.jpg, and a folder outside it with files of the same names,
// which nothing of a run over R may read or write.
struct TreeAndOutside {
    TempFolder temp;
    std::string tree = temp / "R";
    std::string outside = temp / "outside";
    Bytes one = patternBytes(3000, 1);
    Bytes two = patternBytes(3000, 2);
    Bytes secret = patternBytes(3000, 3);

    TreeAndOutside() {
        fs::create_directories(tree + "/a");
        fs::create_directories(tree + "/b");
        fs::create_directories(outside);
        writeFile(tree + "/a/one.jpg", one);
        writeFile(tree + "/b/two.jpg", two);
        writeFile(outside + "/one.jpg", secret);
        writeFile(outside + "/two.jpg", secret);
    }
    EncryptRequest request(const ScriptedRuns& runs) const {
        EncryptRequest encrypt = runs.encryptRequest({});
        encrypt.trees = {tree};
        return encrypt;
    }
    // The bytes that the containers of the tree restore, by path below the output folder.
    std::map<std::string, Bytes> restored() const {
        ScriptedRuns runs(localFileSystem());
        DecryptRequest decrypt = runs.decryptRequest({});
        decrypt.trees = {tree + "/encrypted"};
        EXPECT_EQ(runs.batch.decrypt(decrypt, runs.report).end, RunEnd::Completed);
        return filesBelow(tree + "/encrypted/decrypted");
    }
};

// A folder of the tree swapped for a link to a folder outside it between the walk and the reading,
// and a file swapped for a link or for another file: nothing outside the tree is read. A folder
// that the run holds open is read where it went (its files are the tree's own); a file that is no
// longer the one walked is left out and named.
TEST(HostileTrees, WhatIsSwappedDuringARunLeadsNowhereOutsideTheTree) {
    struct Case {
        const char* what;
        const char* swappedAt; // the name whose opening the swap comes just before
        std::function<void(const TreeAndOutside&)> swap;
        std::optional<LeftOutReason> twoLeftOut;
    };
    const Case cases[] = {
        {"a folder for a link", "one.jpg",
         [](const TreeAndOutside& t) {
             fs::rename(t.tree + "/b", t.temp / "b-moved");
             fs::create_directory_symlink(t.outside, t.tree + "/b");
         },
         std::nullopt},
        {"a file for a link", "two.jpg",
         [](const TreeAndOutside& t) {
             fs::remove(t.tree + "/b/two.jpg");
             fs::create_symlink(t.outside + "/two.jpg", t.tree + "/b/two.jpg");
         },
         LeftOutReason::Link},
        {"a file for another file", "two.jpg",
         [](const TreeAndOutside& t) {
             fs::remove(t.tree + "/b/two.jpg");
             fs::create_hard_link(t.outside + "/two.jpg", t.tree + "/b/two.jpg");
         },
         LeftOutReason::Replaced},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TreeAndOutside t;
        SwapBeforeOpening calls(c.swappedAt, [&] { c.swap(t); });
        const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
        ScriptedRuns runs(*files);
        const RunResult result = runs.batch.encrypt(t.request(runs), runs.report);
        ASSERT_TRUE(calls.swapped());
        EXPECT_EQ(result.end, RunEnd::Completed);
        std::map<std::string, Bytes> expected{{"a/one.jpg", t.one}};
        if (c.twoLeftOut) {
            ASSERT_EQ(result.leftOut.size(), 1u);
            EXPECT_EQ(result.leftOut[0].path, t.tree + "/b/two.jpg");
            EXPECT_EQ(result.leftOut[0].reason, *c.twoLeftOut);
        } else {
            EXPECT_TRUE(result.leftOut.empty());
            expected["b/two.jpg"] = t.two;
        }
        EXPECT_EQ(t.restored(), expected);
        EXPECT_EQ(namesIn(t.outside), (std::set<std::string>{"one.jpg", "two.jpg"}));
    }
}

// The output folder swapped for a link to a folder outside, in both runs: once it is open the run
// goes on writing into it, wherever it was moved; swapped before, it is refused. Nothing is ever
// created or replaced outside.
TEST(HostileTrees, AnOutputFolderSwappedForALinkTakesNoOutputOutside) {
    for (const bool encrypt : {true, false}) {
        for (const char* swappedAt : {"two.jpg", "encrypted", "decrypted"}) {
            SCOPED_TRACE(std::string(encrypt ? "encrypt" : "decrypt") + ", swapped at " +
                         swappedAt);
            TreeAndOutside t;
            if (!encrypt) {
                ScriptedRuns first(localFileSystem());
                ASSERT_EQ(first.batch.encrypt(t.request(first), first.report).end,
                          RunEnd::Completed);
            }
            const std::string output =
                encrypt ? t.tree + "/encrypted" : t.tree + "/encrypted/decrypted";
            SwapBeforeOpening calls(swappedAt, [&] {
                fs::create_directories(output);
                fs::rename(output, t.temp / "output-moved");
                fs::create_directory_symlink(t.outside, output);
            });
            const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
            ScriptedRuns runs(*files);
            DecryptRequest decrypt = runs.decryptRequest({});
            decrypt.trees = {t.tree + "/encrypted"};
            const RunResult result = encrypt ? runs.batch.encrypt(t.request(runs), runs.report)
                                             : runs.batch.decrypt(decrypt, runs.report);
            EXPECT_EQ(namesIn(t.outside), (std::set<std::string>{"one.jpg", "two.jpg"}));
            EXPECT_EQ(readFile(t.outside + "/one.jpg"), t.secret);
            EXPECT_EQ(readFile(t.outside + "/two.jpg"), t.secret);
            if (calls.swapped() && result.end == RunEnd::FileFailed) {
                EXPECT_EQ(result.fileError->reason(), FileProblem::FolderIsALink);
            }
        }
    }
}

// Makes `names` as folders one in another below the open folder `at`; gives the last one, open.
UniqueFd makeChain(int at, const std::vector<std::string>& names) {
    UniqueFd folder(::dup(at));
    for (const std::string& name : names) {
        EXPECT_EQ(::mkdirat(folder.get(), name.c_str(), 0755), 0);
        folder = UniqueFd(::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY));
    }
    return folder;
}

// Removes `name` of the open folder `at` and everything below it, however deep.
void removeDeep(int at, const char* name) {
    const UniqueFd folder(::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
    if (!folder) {
        ::unlinkat(at, name, 0);
        return;
    }
    DIR* listing = ::fdopendir(::dup(folder.get()));
    std::vector<std::string> entries;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..") {
            entries.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    for (const std::string& entry : entries) {
        removeDeep(folder.get(), entry.c_str());
    }
    ::unlinkat(at, name, AT_REMOVEDIR);
}

// 25 folders of 200-byte names: 5,000 bytes of path, beyond the 4,096 that the system takes whole.
TEST(HostileTrees, ATreeDeeperThanTheLongestPathIsEncryptedAndRestored) {
    TempFolder temp;
    fs::create_directory(temp / "R");
    std::vector<std::string> names;
    std::string below;
    for (char c = 'a'; c < 'a' + 25; ++c) {
        names.push_back(std::string(200, c));
        below += names.back() + "/";
    }
    const Bytes photo = patternBytes(70000, 7);
    {
        const UniqueFd root(::open((temp / "R").c_str(), O_PATH | O_DIRECTORY));
        const UniqueFd deepest = makeChain(root.get(), names);
        const UniqueFd file(::openat(deepest.get(), "deep.jpg", O_WRONLY | O_CREAT, 0644));
        ASSERT_EQ(::write(file.get(), photo.data(), photo.size()), ssize_t(photo.size()));
    }
    ScriptedRuns runs(localFileSystem());
    EncryptRequest encrypt = runs.encryptRequest({});
    encrypt.trees = {temp / "R"};
    const RunResult encrypted = runs.batch.encrypt(encrypt, runs.report);
    EXPECT_EQ(encrypted.end, RunEnd::Completed);
    EXPECT_EQ(encrypted.done, 1);
    EXPECT_TRUE(encrypted.notTaken.empty());
    DecryptRequest decrypt = runs.decryptRequest({});
    decrypt.trees = {temp / "R/encrypted"};
    const RunResult decrypted = runs.batch.decrypt(decrypt, runs.report);
    EXPECT_EQ(decrypted.end, RunEnd::Completed);
    EXPECT_EQ(decrypted.done, 1);
    // Read back by descriptors, as no path of it can be handed to the system whole.
    const UniqueFd output(::open((temp / "R/encrypted/decrypted").c_str(), O_PATH | O_DIRECTORY));
    UniqueFd folder(::dup(output.get()));
    for (const std::string& name : names) {
        folder = UniqueFd(::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW));
        ASSERT_TRUE(folder) << name.front();
    }
    const UniqueFd restored(::openat(folder.get(), "deep.jpg", O_RDONLY));
    Bytes bytes(photo.size() + 1);
    EXPECT_EQ(::read(restored.get(), bytes.data(), bytes.size()), ssize_t(photo.size()));
    bytes.resize(photo.size());
    EXPECT_EQ(bytes, photo);
    const UniqueFd top(::open(temp.path().c_str(), O_PATH | O_DIRECTORY));
    removeDeep(top.get(), "R");
}

// A name of 255 bytes has no room for the "E" of the designed suffix nor for ".tvx": the file is
// left out with its reason, and the run goes on with the others.
TEST(HostileTrees, ANameWithNoRoomForItsOutputIsLeftOutAndTheRunGoesOn) {
    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::Protected}) {
        SCOPED_TRACE(classRow(level).name);
        TempFolder temp;
        const std::string longest = temp / (std::string(251, 'x') + ".jpg");
        writeFile(longest, patternBytes(100, 1));
        writeFile(temp / "short.jpg", patternBytes(100, 2));
        ScriptedRuns runs(localFileSystem());
        runs.cost = {1, 8192};
        const RunResult result =
            runs.encrypt({longest, temp / "short.jpg"}, level, level == ContainerClass::Standard);
        EXPECT_EQ(result.end, RunEnd::Completed);
        EXPECT_EQ(result.done, 1);
        ASSERT_EQ(result.leftOut.size(), 1u);
        EXPECT_EQ(result.leftOut[0].path, longest);
        EXPECT_EQ(result.leftOut[0].reason, LeftOutReason::NameTooLong);
        EXPECT_EQ(namesIn(temp / "encrypted").size(), 1u);
    }
}

// The system's root folder, a link to it, and the kernel's folders are never walked.
TEST(HostileTrees, TheWholeSystemIsNeverTakenAsATree) {
    TempFolder temp;
    fs::create_directory_symlink("/", temp / "everything");
    for (const std::string& root : {std::string("/"), temp / "everything", std::string("/proc"),
                                    std::string("/sys"), std::string("/dev")}) {
        SCOPED_TRACE(root);
        ScriptedRuns runs(localFileSystem());
        EncryptRequest encrypt = runs.encryptRequest({});
        encrypt.trees = {root};
        const RunResult result = runs.batch.encrypt(encrypt, runs.report);
        EXPECT_FALSE(result.started);
        ASSERT_EQ(result.notTaken.size(), 1u);
        EXPECT_EQ(result.notTaken[0].reason, LeftOutReason::SystemFolder);
    }
    EXPECT_FALSE(fs::exists("/encrypted"));
}

// A name sealed in a container, which the user cannot see, never replaces a file that the run did
// not write, nor stands in a folder's way: it is numbered, and the end names it. The designed
// classes keep replacing an earlier output of their name.
TEST(HostileTrees, ASealedNameNeverReplacesWhatTheRunDidNotWrite) {
    TempFolder temp;
    const Bytes a = patternBytes(500, 1);
    const Bytes b = patternBytes(500, 2);
    writeFile(temp / "a.jpg", a);
    writeFile(temp / "b.jpg", b);
    ScriptedRuns runs(localFileSystem());
    runs.cost = {1, 8192};
    EncryptRequest encrypt = runs.encryptRequest({temp / "a.jpg", temp / "b.jpg"});
    encrypt.containerClass = ContainerClass::Protected;
    encrypt.hideNames = true;
    runs.report.acceptPassphrase(runs.password);
    ASSERT_EQ(runs.batch.encrypt(encrypt, runs.report).end, RunEnd::Completed);
    const std::string output = temp / "encrypted/decrypted";
    fs::create_directories(output + "/b.jpg");
    const Bytes earlier = patternBytes(77, 9);
    writeFile(output + "/a.jpg", earlier);
    std::vector<std::string> containers;
    for (const auto& entry : fs::directory_iterator(temp / "encrypted")) {
        if (entry.is_regular_file()) {
            containers.push_back(entry.path());
        }
    }
    const RunResult result = runs.decrypt(containers);
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(readFile(output + "/a.jpg"), earlier);
    EXPECT_TRUE(fs::is_directory(output + "/b.jpg"));
    EXPECT_EQ(readFile(output + "/a (2).jpg"), a);
    EXPECT_EQ(readFile(output + "/b (2).jpg"), b);
    EXPECT_EQ(result.renamed.size(), 2u);
}

} // namespace
} // namespace tarvex::testing
