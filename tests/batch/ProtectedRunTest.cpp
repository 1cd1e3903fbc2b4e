// The runs in the Protected class: one key a run, the probe that opens the first piece, a
// selection that mixes classes, and files that do not open left out.
#include "BatchFixture.h"
#include "batch/Viewing.h"
#include "container/ContainerReader.h"
#include "container/ProtectedRefusals.h"
#include "files/LocalFileSystem.h"
#include "files/PathParts.h"
#include "files/PosixFile.h"
#include "passwords/PassphraseKey.h"
#include "passwords/PassphraseStrength.h"
#include "protected/ProtectedWriter.h"
#include "texts/Wording.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The time of the last change of `path`'s content, in nanoseconds since 1970.
std::int64_t modifiedNs(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
}

class ProtectedRunTest : public BatchTest {
protected:
    // The cost that keeps the tests fast; a reader honours the cost a container names.
    ProtectedRunTest() { runs.cost = {1, 8192}; }

    // A request of the Protected class for `paths`, with the password of `runs`.
    EncryptRequest protectedRequest(std::vector<std::string> paths) const {
        EncryptRequest request = runs.encryptRequest(std::move(paths));
        request.containerClass = ContainerClass::Protected;
        return request;
    }

    // How many keys were derived since the last call.
    int derivations() {
        const int count = static_cast<int>(report.eventsOf("deriving key").size());
        const int since = count - counted_;
        counted_ = count;
        return since;
    }

    // The files of the folder that are not complete outputs: hidden temporary files.
    static std::vector<std::string> temporaries(const std::string& folder) {
        std::vector<std::string> found;
        for (const std::string& name : namesIn(folder)) {
            if (name.starts_with(".")) {
                found.push_back(name);
            }
        }
        return found;
    }

private:
    int counted_ = 0;
};

// One key for a whole encrypt run; the containers restore exactly in a run that derives the key
// once, and a source far over the size limit of the designed classes is taken.
TEST_F(ProtectedRunTest, ARunDerivesOneKeyAndRestoresEveryFile) {
    const std::vector<Bytes> contents{
        {}, patternBytes(1, 1), patternBytes(70'000, 2), patternBytes(5'300'000, 3)};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        sources.push_back(source("p" + std::to_string(i) + ".jpg", contents[i]));
    }
    encryptAll(sources, ContainerClass::Protected);
    EXPECT_EQ(derivations(), 1);
    EXPECT_EQ(files.scratchWrites, 0);

    std::vector<std::string> containers;
    for (const std::string& path : sources) {
        containers.push_back(inFolder("encrypted/") + namePart(path) + ".tvx");
        const Bytes text = readFile(containers.back());
        EXPECT_TRUE(std::string(text.begin(), text.end()).ends_with("$$$$\r\n"));
    }
    EXPECT_EQ(runs.decrypt(containers).end, RunEnd::Completed);
    EXPECT_EQ(derivations(), 1);
    for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_EQ(readFile(inFolder("encrypted/decrypted/") + namePart(sources[i])), contents[i])
            << i;
    }
}

// The probe opens the first piece of a Protected first file with the password: a wrong one ends
// the run before its folder.
TEST_F(ProtectedRunTest, TheProbeOpensTheFirstPiece) {
    encryptAll({source("a.jpg", patternBytes(90'000, 1))}, ContainerClass::Protected);
    const std::string container = inFolder("encrypted/a.jpg.tvx");
    runs.password = "wrong12";
    EXPECT_EQ(runs.decrypt({container}).end, RunEnd::WrongPassword);
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted")));

    runs.password = "secret1";
    EXPECT_EQ(runs.decrypt({container}).end, RunEnd::Completed);
    EXPECT_EQ(readFile(inFolder("encrypted/decrypted/a.jpg")), patternBytes(90'000, 1));
}

// A selection that mixes classes is read file by file by its own marker. The Protected files that
// do not open (another password, a line taken out, a character changed) are left out without a
// trace, and the run goes on.
TEST_F(ProtectedRunTest, FilesThatDoNotOpenAreLeftOut) {
    encryptAll({source("good.jpg", patternBytes(80'000, 1)),
                source("cut.jpg", patternBytes(80'000, 2)),
                source("flipped.jpg", patternBytes(5000, 3))},
               ContainerClass::Protected);
    runs.password = "other99";
    report.script.answerNextQuestion(true); // beside the containers of another passphrase
    encryptAll({source("other.jpg", patternBytes(100, 4))}, ContainerClass::Protected);
    runs.password = "secret1";
    encryptAll({source("high.jpg", patternBytes(3000, 5))}, ContainerClass::HighLevel);

    const std::string folder = inFolder("encrypted/");
    Bytes cut = readFile(folder + "cut.jpg.tvx");
    const auto line = cut.begin() + 78 * 500;
    cut.erase(line, line + 78);
    writeFile(folder + "cut.jpg.tvx", cut);
    Bytes flipped = readFile(folder + "flipped.jpg.tvx");
    flipped[200] = flipped[200] == 'A' ? 'B' : 'A';
    writeFile(folder + "flipped.jpg.tvx", flipped);

    files.saved.clear();
    // The High level container cannot prove what it holds, unlike the Protected ones: it is
    // restored when the user says so.
    report.script.answerNextQuestion(true);
    const std::size_t askedBefore = report.eventsOf("question").size();
    const RunResult result =
        runs.decrypt({folder + "good.jpg.tvx", folder + "cut.jpg.tvx", folder + "other.jpg.tvx",
                      folder + "high.jpg", folder + "flipped.jpg.tvx"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    const std::vector<std::string> questions = report.eventsOf("question");
    EXPECT_THAT(std::vector<std::string>(questions.begin() + askedBefore, questions.end()),
                ElementsAre(::testing::StartsWith("question: high.jpg\nUnlike the Protected")));
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(namesIn(folder + "decrypted"), (std::set<std::string>{"good.jpg", "high.jpg"}));
    EXPECT_EQ(readFile(folder + "decrypted/high.jpg"), patternBytes(3000, 5));
    const std::string notOpened = std::string(texts.reasonNotOpened);
    EXPECT_THAT(report.eventsOf("left out"),
                ElementsAre("left out: cut.jpg.tvx: " + notOpened,
                            "left out: other.jpg.tvx: " + notOpened,
                            "left out: flipped.jpg.tvx: " + notOpened));
    // A file left out before its first byte never has an output begun.
    EXPECT_THAT(files.saved, ::testing::Not(::testing::Contains(folder + "decrypted/other.jpg")));
}

// A container that cannot prove what it holds, put in the place of a Protected one, is never
// restored silently; a Protected container whose marker was changed is damaged, not Standard.
TEST_F(ProtectedRunTest, NothingIsSubstitutedForAProtectedContainer) {
    encryptAll({source("a.jpg", patternBytes(70'000, 1)), source("b.jpg", patternBytes(500, 2)),
                source("c.jpg", patternBytes(900, 3))},
               ContainerClass::Protected);
    const std::string folder = inFolder("encrypted/");
    // An attacker's Standard container of their own picture, under b.jpg's name.
    TempFolder attacker;
    writeFile(attacker / "b.jpg", patternBytes(400, 9));
    ScriptedRuns theirs(localFileSystem());
    theirs.password = "theirs1";
    ASSERT_EQ(theirs.encrypt({attacker / "b.jpg"}, ContainerClass::Standard).done, 1);
    fs::copy_file(attacker / "encrypted/b.jpg", folder + "b.jpg.tvx",
                  fs::copy_options::overwrite_existing);
    // c.jpg with its marker changed to the Standard one.
    Bytes changed = readFile(folder + "c.jpg.tvx");
    std::copy_n("****", 4, changed.end() - 6);
    writeFile(folder + "c.jpg.tvx", changed);

    report.script.answerNextQuestion(false);
    const RunResult result =
        runs.decrypt({folder + "a.jpg.tvx", folder + "b.jpg.tvx", folder + "c.jpg.tvx"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(namesIn(folder + "decrypted"), std::set<std::string>{"a.jpg"});
    EXPECT_THAT(report.eventsOf("left out"),
                ElementsAre("left out: b.jpg.tvx: " + std::string(texts.reasonUnauthenticated),
                            "left out: c.jpg.tvx: " + std::string(texts.reasonDamaged)));
}

// A container is named after its picture with the class's file type after it, or, with hidden
// names, so that its name says nothing; either restores under its picture's name and time.
TEST_F(ProtectedRunTest, ContainersSayTheirPicturesNamesOnlyWhenAskedTo) {
    const std::vector<std::string> sources{source("IMG 1.JPG", patternBytes(3000, 1)),
                                           source("b.png", patternBytes(10, 2))};
    constexpr std::int64_t taken = 1'600'000'000'123'456'789;
    for (const std::string& path : sources) {
        const timespec times[2] = {{0, UTIME_NOW}, {1'600'000'000, 123'456'789}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    encryptAll(sources, ContainerClass::Protected);
    EXPECT_EQ(namesIn(inFolder("encrypted")),
              (std::set<std::string>{"IMG 1.JPG.tvx", "b.png.tvx"}));

    fs::remove_all(inFolder("encrypted"));
    EncryptRequest hidden = runs.encryptRequest(sources);
    hidden.containerClass = ContainerClass::Protected;
    hidden.hideNames = true;
    report.acceptPassphrase(runs.password);
    ASSERT_EQ(runs.batch.encrypt(hidden, report).done, 2);
    std::vector<std::string> containers;
    for (const std::string& name : namesIn(inFolder("encrypted"))) {
        EXPECT_THAT(name, ::testing::MatchesRegex("[A-Za-z0-9]{16}\\.tvx"));
        containers.push_back(inFolder("encrypted/") + name);
    }
    ASSERT_EQ(runs.decrypt(containers).done, 2);
    for (const std::string& path : sources) {
        const std::string restored = inFolder("encrypted/decrypted/") + namePart(path);
        EXPECT_EQ(readFile(restored), readFile(path));
        EXPECT_EQ(modifiedNs(restored), taken);
    }
}

// A version 2 container of another implementation restores under the name and the time it
// recorded, whatever it is called, and a time before 1970 is kept as it is.
TEST_F(ProtectedRunTest, AVersion2ContainerRestoresUnderItsRecordedNameAndTime) {
    const struct {
        const char* vector;
        const char* passphrase;
        const char* name;
        std::int64_t modified;
        std::uintmax_t size;
    } vectors[] = {
        {"v2-words.txt", "correct horse battery staple", "Summer 2024 海边.JPG",
         1718000000123456789, 1000},
        {"v2-nfd.txt", "Gru\u0308\u00dfe", "gruss.png", 1, 108},
    };
    for (const auto& v : vectors) {
        const std::string container = inFolder("whatever.txt");
        fs::copy_file(std::string(TARVEX_PROTECTED_VECTORS "/") + v.vector, container,
                      fs::copy_options::overwrite_existing);
        runs.password = v.passphrase;
        ASSERT_EQ(runs.decrypt({container}).done, 1) << v.vector;
        const std::string restored = inFolder("decrypted/") + v.name;
        EXPECT_EQ(fs::file_size(restored), v.size) << v.vector;
        EXPECT_EQ(modifiedNs(restored), v.modified) << v.vector;
    }
}

// A version 3 container of another implementation restores, whatever it is called, byte for byte
// at the path it recorded below the output folder, with the time it recorded.
TEST_F(ProtectedRunTest, AVersion3ContainerRestoresUnderItsRecordedPathAndTime) {
    const std::string folder = TARVEX_PROTECTED_VECTORS;
    std::ifstream index(folder + "/INDEX3.tsv");
    std::string line;
    std::getline(index, line);
    int rows = 0;
    // container, passphrase, source, restored_path, mtime_ns, source_bytes, source_sha256, ...
    while (std::getline(index, line)) {
        std::vector<std::string> row;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
            row.push_back(field);
        }
        ASSERT_EQ(row.size(), 8u);
        SCOPED_TRACE(row[0]);
        ++rows;
        const std::string container = inFolder("whatever.txt");
        fs::copy_file(folder + "/" + row[0], container, fs::copy_options::overwrite_existing);
        runs.password = row[1];
        ASSERT_EQ(runs.decrypt({container}).done, 1);
        const std::string restored = inFolder("decrypted/") + row[3];
        EXPECT_EQ(readFile(restored), readFile(folder + "/" + row[2]));
        EXPECT_EQ(modifiedNs(restored), std::stoll(row[4]));
        fs::remove_all(inFolder("decrypted"));
    }
    EXPECT_EQ(rows, 5);
}

// A version 3 container that is not as the format has it is left out behind one that restores:
// nothing of it is restored, and neither an output nor a temporary file is left behind.
TEST_F(ProtectedRunTest, AVersion3ContainerOutOfTheRulesRestoresNothing) {
    const ProtectedParameters parameters = newProtectedParameters(runs.cost);
    const test::Version3Maker maker(runs.password, parameters.salt, runs.cost.opslimit,
                                    runs.cost.memlimitKiB);
    const std::string good = inFolder("a.tvx");
    const std::string refused = inFolder("b.tvx");
    const std::string wellFormed = maker.wellFormed();
    writeFile(good, Bytes(wellFormed.begin(), wellFormed.end()));
    for (const test::Version3Refusal& refusal : test::version3Refusals(maker)) {
        SCOPED_TRACE(refusal.what);
        writeFile(refused, Bytes(refusal.file.begin(), refusal.file.end()));
        const RunResult result = runs.decrypt({good, refused});
        EXPECT_EQ(result.end, RunEnd::Completed);
        EXPECT_EQ(result.done, 1);
        EXPECT_EQ(namesIn(inFolder("decrypted/2024/06 June")), std::set<std::string>{"a.png"});
        EXPECT_EQ(readFile(inFolder("decrypted/2024/06 June/a.png")),
                  test::Version3Maker::source());
        EXPECT_THAT(report.eventsOf("left out"),
                    ::testing::Contains(::testing::StartsWith("left out: b.tvx: ")));
        fs::remove_all(inFolder("decrypted"));
    }
}

// Before its key is derived, a run in the class that encrypts has the passphrase typed again and
// tells how long an attacker would need to find it; a typing that differs, or a cancel, ends it
// before any file is touched.
TEST_F(ProtectedRunTest, ThePassphraseIsTypedAgainBeforeAnythingIsWritten) {
    runs.password = "vault Kestrel 93 ochre Lantern";
    const std::string estimate = wordedStrength(secondsToFind(runs.password), texts);
    const std::string photo = source("a.jpg", patternBytes(500, 1));
    struct Case {
        std::optional<std::string> typedAgain;
        RunEnd end;
    };
    const std::vector<Case> cases{{"vault Kestrel 93 ochre Lanterm", RunEnd::PasswordsDiffer},
                                  {"vault Kestrel 93 ochre Lantern ", RunEnd::PasswordsDiffer},
                                  {std::nullopt, RunEnd::PasswordNotRepeated},
                                  {"vault Kestrel 93 ochre Lantern", RunEnd::Completed}};
    for (const Case& c : cases) {
        ScriptedReport once;
        once.script.typeNextPassword(c.typedAgain);
        const RunResult result = runs.batch.encrypt(protectedRequest({photo}), once);
        EXPECT_EQ(result.end, c.end) << c.typedAgain.value_or("(cancelled)");
        ASSERT_FALSE(once.events().empty());
        EXPECT_EQ(once.events().front(), "password again: " + estimate);
        EXPECT_THAT(once.eventsOf("question"), IsEmpty());
        EXPECT_EQ(fs::exists(inFolder("encrypted/a.jpg.tvx")), c.end == RunEnd::Completed);
        EXPECT_EQ(once.eventsOf("started").empty(), c.end != RunEnd::Completed);
    }
}

// A passphrase that an attacker would find within a year is used only when the user says so;
// declined, nothing is derived or written. A passphrase that breaks the rule is never asked for
// again, and the designed classes, which take a password, ask nothing of the kind.
TEST_F(ProtectedRunTest, AWeakPassphraseIsUsedOnlyWhenTheUserSaysSo) {
    const std::string photo = source("a.jpg", patternBytes(500, 2));
    for (const bool yes : {false, true}) {
        ScriptedReport weak;
        weak.script.typeNextPassword(runs.password);
        weak.script.answerNextQuestion(yes);
        const RunResult result = runs.batch.encrypt(protectedRequest({photo}), weak);
        EXPECT_EQ(result.end, yes ? RunEnd::Completed : RunEnd::WeakDeclined);
        const std::string estimate = wordedStrength(secondsToFind(runs.password), texts);
        EXPECT_THAT(weak.eventsOf("question"), ElementsAre("question: " + estimate + "\n" +
                                                           std::string(texts.strengthQuestion)));
        EXPECT_EQ(weak.eventsOf("deriving key").size(), yes ? 1u : 0u);
        EXPECT_EQ(fs::exists(inFolder("encrypted")), yes);
    }

    ScriptedReport rejected;
    EncryptRequest empty = protectedRequest({photo});
    empty.password = "";
    EXPECT_EQ(runs.batch.encrypt(empty, rejected).end, RunEnd::PasswordRejected);
    EXPECT_THAT(rejected.events(), IsEmpty());

    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        const RunResult result = runs.encrypt({photo}, level);
        EXPECT_EQ(result.end, RunEnd::Completed);
        EXPECT_THAT(report.eventsOf("password again"), IsEmpty());
        EXPECT_THAT(report.eventsOf("question"), IsEmpty());
    }
}

// A stop while the key is derived ends the run at once: nothing is written.
TEST_F(ProtectedRunTest, AStopEndsTheDerivationOfTheKey) {
    runs.cost = protectedWriteCost;
    report.stopAtCall(1);
    EXPECT_EQ(runs.encrypt({source("a.jpg", patternBytes(100, 1))}, ContainerClass::Protected).end,
              RunEnd::Stopped);
    EXPECT_THAT(report.events(),
                ElementsAre(StartsWith("password again: "), StartsWith("question: "), "started 1",
                            "deriving key", "key derived"));
    EXPECT_FALSE(fs::exists(inFolder("encrypted")));
}

// A stop asked for inside a file, after its first piece, ends the run there with no temporary
// file left, in either direction.
TEST_F(ProtectedRunTest, AStopInsideAFileLeavesNothing) {
    const std::string big = source("big.jpg", patternBytes(3'000'000, 1));
    encryptAll({big}, ContainerClass::Protected);
    const std::string container = inFolder("encrypted/big.jpg.tvx");
    const Bytes before = readFile(container);
    writeFile(big, patternBytes(3'000'000, 2));
    for (const bool encrypt : {true, false}) {
        // The encrypt run reads the start of the container it would replace for its record, as
        // the source has changed since, then the source whole; the decrypt run reads the start
        // of its first file for the probe, then the whole file to restore it.
        const std::size_t reads = files.namedNext.size() + 1;
        int checks = 0;
        report.stopWhen = [&](int) { return files.namedNext.size() == reads && ++checks == 2; };
        const RunResult result =
            encrypt ? runs.encrypt({big}, ContainerClass::Protected) : runs.decrypt({container});
        EXPECT_EQ(result.end, RunEnd::Stopped);
        EXPECT_EQ(checks, 2) << "the stop came elsewhere";
    }
    EXPECT_EQ(readFile(container), before);
    EXPECT_TRUE(temporaries(inFolder("encrypted")).empty());
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted/big.jpg")));
    EXPECT_TRUE(temporaries(inFolder("encrypted/decrypted")).empty());
}

} // namespace
} // namespace tarvex::testing

namespace tarvex::testing {
namespace {

// A second run over a library adds only what is new, with names hidden or not: the container of
// a source that has not changed is left as it is, not even written again, that of a changed one
// is replaced where it lies, a new source gets a new one; all under the library's salt, so that
// one key derived reads the library and writes into it. The end counts each.
TEST_F(ProtectedRunTest, ASecondRunAddsOnlyWhatIsNew) {
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "names hidden" : "names shown");
        const std::string folder = hidden ? "hidden/" : "shown/";
        fs::create_directory(inFolder(folder));
        const std::string a = source(folder + "a.jpg", patternBytes(3000, 1));
        const std::string b = source(folder + "b.jpg", patternBytes(4000, 2));
        EncryptRequest request = protectedRequest({a, b});
        request.hideNames = hidden;
        report.acceptPassphrase(runs.password);
        ASSERT_EQ(runs.batch.encrypt(request, report).done, 2);
        const std::string encrypted = inFolder(folder + "encrypted");
        std::map<std::string, ino_t> before;
        for (const auto& entry : fs::directory_iterator(encrypted)) {
            struct stat status {};
            ASSERT_EQ(::stat(entry.path().c_str(), &status), 0);
            before[entry.path().filename()] = status.st_ino;
        }
        derivations();

        writeFile(b, patternBytes(5000, 3));
        const std::string c = source(folder + "c.jpg", patternBytes(100, 4));
        request.files = {a, b, c};
        report.acceptPassphrase(runs.password);
        const RunResult again = runs.batch.encrypt(request, report);
        ASSERT_EQ(again.end, RunEnd::Completed);
        EXPECT_TRUE(again.intoLibrary);
        EXPECT_EQ(again.done, 2);
        EXPECT_EQ(again.changed, 1);
        EXPECT_EQ(again.unchanged, 1);
        EXPECT_EQ(derivations(), 1);
        std::vector<std::string> containers;
        int kept = 0;
        for (const auto& entry : fs::directory_iterator(encrypted)) {
            containers.push_back(entry.path());
            struct stat status {};
            ASSERT_EQ(::stat(entry.path().c_str(), &status), 0);
            const auto found = before.find(entry.path().filename());
            kept += found != before.end() && found->second == status.st_ino;
        }
        EXPECT_EQ(containers.size(), 3u);
        EXPECT_EQ(kept, 1); // the one of a.jpg: b.jpg's was replaced by a new file

        ASSERT_EQ(runs.decrypt(containers).done, 3);
        EXPECT_EQ(derivations(), 1);
        for (const std::string& path : {a, b, c}) {
            EXPECT_EQ(readFile(encrypted + "/decrypted/" + namePart(path)), readFile(path));
        }
    }
}

// An output folder whose Protected containers the passphrase opens none of is asked about
// before anything is written: No leaves it as it was, Yes adds containers of the new one.
TEST_F(ProtectedRunTest, AFolderOfAnotherPassphraseIsAskedAbout) {
    encryptAll({source("a.jpg", patternBytes(100, 1))}, ContainerClass::Protected);
    runs.password = "another passphrase 7";
    const std::string b = source("b.jpg", patternBytes(100, 2));
    report.script.answerNextQuestion(false);
    EXPECT_EQ(runs.encrypt({b}, ContainerClass::Protected).end, RunEnd::Declined);
    EXPECT_EQ(namesIn(inFolder("encrypted")), std::set<std::string>{"a.jpg.tvx"});
    EXPECT_THAT(report.eventsOf("question: "),
                ::testing::Contains(StartsWith("question: The folder holds containers of another "
                                               "passphrase:\n" +
                                               inFolder("encrypted"))));
    report.script.answerNextQuestion(true);
    const RunResult added = runs.encrypt({b}, ContainerClass::Protected);
    EXPECT_EQ(added.done, 1);
    EXPECT_FALSE(added.intoLibrary);
    EXPECT_EQ(namesIn(inFolder("encrypted")), (std::set<std::string>{"a.jpg.tvx", "b.jpg.tvx"}));
}

// With originals removed, each goes to the Trash, beside its information file and under a name
// that no trashed file has, only once its container, made durable and read back from the disk,
// gives back exactly what was read of it; a failure at any step keeps the original where it is,
// and says why. Every container restores its original.
TEST_F(ProtectedRunTest, OriginalsGoToTheTrashOnlyOnceTheirContainersAreVerified) {
    const std::string data = inFolder("data");
    ASSERT_EQ(::setenv("XDG_DATA_HOME", data.c_str(), 1), 0);
    fs::create_directories(data + "/Trash/files");
    for (const char* folder : {"/Trash", "/Trash/files"}) {
        fs::permissions(data + folder, fs::perms::owner_all);
    }
    writeFile(data + "/Trash/files/a.jpg", {7}); // trashed before
    std::vector<std::string> originals;
    std::vector<Bytes> contents;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        contents.push_back(patternBytes(3000, name[0]));
        originals.push_back(source(name, contents.back()));
    }
    files.afterFlush = [&](const std::string& container) {
        const std::string name = namePart(container);
        if (name == "b.jpg.tvx") {
            throw cannotCreate(container, EIO);
        }
        if (name == "c.jpg.tvx") {
            Bytes text = readFile(container);
            text[text.size() / 2] = text[text.size() / 2] == 'A' ? 'B' : 'A';
            writeFile(container, text);
        }
        if (name == "d.jpg.tvx") {
            writeFile(originals[3], patternBytes(3000, 9));
        }
    };
    files.beforeTrash = [&](const std::string& original) {
        if (namePart(original) == "e.jpg") {
            throw cannotCreate(original, EXDEV);
        }
    };
    EncryptRequest request = protectedRequest(originals);
    request.removeOriginals = true;
    report.acceptPassphrase(runs.password);
    const RunResult result = runs.batch.encrypt(request, report);
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(result.done, 5);
    EXPECT_EQ(result.trashed, 1);
    std::vector<std::pair<std::string, LeftOutReason>> kept;
    for (const LeftOutRecord& original : result.keptOriginals) {
        kept.emplace_back(namePart(original.path), original.reason);
    }
    EXPECT_THAT(kept, ElementsAre(std::pair{"b.jpg", LeftOutReason::NotVerified},
                                  std::pair{"c.jpg", LeftOutReason::NotVerified},
                                  std::pair{"d.jpg", LeftOutReason::Replaced},
                                  std::pair{"e.jpg", LeftOutReason::NotTrashed}));
    EXPECT_FALSE(fs::exists(originals[0]));
    for (std::size_t i = 1; i < originals.size(); ++i) {
        EXPECT_TRUE(fs::exists(originals[i])) << originals[i];
    }
    EXPECT_EQ(readFile(data + "/Trash/files/a.jpg"), Bytes{7});
    EXPECT_EQ(readFile(data + "/Trash/files/a.jpg.2"), contents[0]);
    const Bytes info = readFile(data + "/Trash/info/a.jpg.2.trashinfo");
    EXPECT_THAT(std::string(info.begin(), info.end()),
                StartsWith("[Trash Info]\nPath=" + originals[0] + "\nDeletionDate=20"));
    EXPECT_EQ(namesIn(data + "/Trash/info"), std::set<std::string>{"a.jpg.2.trashinfo"});
    const RunEndWords words = endWords(result, RunCommand::Encrypt, false, texts);
    EXPECT_THAT(words.messages,
                ::testing::Contains(
                    "1 originals went to the Trash: emptying the Trash removes them for good."));

    ASSERT_EQ(runs.decrypt({inFolder("encrypted/a.jpg.tvx")}).done, 1);
    EXPECT_EQ(readFile(inFolder("encrypted/decrypted/a.jpg")), contents[0]);
}

// A recorded folder that a file of the output folder stands in the way of leaves its container
// out, and the run goes on; an output folder that is a file ends an encrypt with hidden names,
// which has no other name to try.
TEST_F(ProtectedRunTest, ARecordedFolderThatAFileTakesLeavesItsContainerOut) {
    const ProtectedParameters parameters = newProtectedParameters(runs.cost);
    const ProtectedKey key = keyOfPassphrase(runs.password, parameters);
    const auto container = [&](const std::string& name, const std::string& recorded) {
        std::string text;
        ProtectedBuilder builder;
        const Bytes source = patternBytes(100, static_cast<int>(name.size()));
        builder.start(key, parameters, {recorded, 0, source.size()}, {},
                      [&text](std::string_view part) { text.append(part); });
        builder.append(source);
        EXPECT_TRUE(builder.finish());
        writeFile(inFolder(name), Bytes(text.begin(), text.end()));
        return inFolder(name);
    };
    const RunResult result = runs.decrypt(
        {container("1.tvx", "x"), container("22.tvx", "x/a.jpg"), container("333.tvx", "y/b.jpg")});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(readFile(inFolder("decrypted/x")), patternBytes(100, 5));
    EXPECT_EQ(readFile(inFolder("decrypted/y/b.jpg")), patternBytes(100, 7));
    EXPECT_THAT(
        report.eventsOf("left out"),
        ElementsAre("left out: 22.tvx: a file stands where a folder of its output must be"));

    writeFile(inFolder("encrypted"), {1});
    EncryptRequest request = protectedRequest({source("a.jpg", patternBytes(10, 1))});
    request.hideNames = true;
    report.acceptPassphrase(runs.password);
    const RunResult hidden = runs.batch.encrypt(request, report);
    EXPECT_EQ(hidden.end, RunEnd::FileFailed);
    ASSERT_TRUE(hidden.fileError);
    EXPECT_EQ(hidden.fileError->reason(), std::errc::not_a_directory);
}

// A container seals the thumbnail that the run's maker makes of the bytes it holds; a maker that
// makes none, fails, or makes one larger than the format allows leaves the container without
// one, and the source restores whole all the same.
TEST_F(ProtectedRunTest, AContainerSealsTheThumbnailMadeOfItsSource) {
    const std::vector<Bytes> contents{patternBytes(700'000, 1),
                                      patternBytes(10, 2),
                                      patternBytes(20, 3),
                                      patternBytes(30, 4),
                                      {}};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        sources.push_back(source("p" + std::to_string(i) + ".jpg", contents[i]));
    }
    const Bytes small = patternBytes(65'536, 5);
    std::vector<Bytes> given;
    EncryptRequest request = protectedRequest(sources);
    request.thumbnail = [&](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        given.emplace_back(bytes.begin(), bytes.end());
        switch (bytes.size()) {
        case 10:
            return std::nullopt;
        case 20:
            throw std::runtime_error("no picture");
        case 30:
            return Bytes(65'537, 6);
        default:
            return small;
        }
    };
    report.acceptPassphrase(runs.password);
    ASSERT_EQ(runs.batch.encrypt(request, report).done, 5);
    EXPECT_EQ(given, contents);

    const std::vector<Bytes> sealed{small, {}, {}, {}, small};
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const Bytes text = readFile(inFolder("encrypted/p" + std::to_string(i) + ".jpg.tvx"));
        const auto opened =
            test::referenceOpenProtected(std::string(text.begin(), text.end()), runs.password);
        ASSERT_TRUE(opened) << i;
        EXPECT_EQ(opened->version, 3) << i;
        EXPECT_EQ(opened->thumbnail, sealed[i]) << i;
        EXPECT_EQ(opened->source, contents[i]) << i;
    }
}

// A source that grows past what a run holds for its thumbnail while it is held is read again,
// whole, and sealed without one.
TEST_F(ProtectedRunTest, ASourceThatGrowsWhileHeldIsReadAgain) {
    const std::string path = source("a.jpg", patternBytes(32 * readPieceSize, 1));
    const Bytes added = patternBytes(64 * 1024 * 1024, 2);
    int made = 0;
    EncryptRequest request = protectedRequest({path});
    request.thumbnail = [&](std::span<const std::uint8_t>) -> std::optional<Bytes> {
        ++made;
        return Bytes{1};
    };
    files.afterFirstPiece = [&, grew = false](const std::string&) mutable {
        if (!grew) {
            grew = true;
            std::ofstream(path, std::ios::binary | std::ios::app)
                .write(reinterpret_cast<const char*>(added.data()), std::ssize(added));
        }
    };
    report.acceptPassphrase(runs.password);
    ASSERT_EQ(runs.batch.encrypt(request, report).done, 1);
    EXPECT_EQ(made, 0);
    const Bytes text = readFile(inFolder("encrypted/a.jpg.tvx"));
    const auto opened =
        test::referenceOpenProtected(std::string(text.begin(), text.end()), runs.password);
    ASSERT_TRUE(opened);
    EXPECT_THAT(opened->thumbnail, IsEmpty());
    EXPECT_EQ(opened->source, readFile(path));
    EXPECT_EQ(opened->source.size(), 32 * readPieceSize + added.size());
}

// A tile of the viewer reads the thumbnail that a container seals, not its source; a thumbnail
// that is no picture, or none, gives the source after all. A plain file past 256 MiB is not read.
TEST_F(ProtectedRunTest, AViewingThatAThumbnailWillDoReadsTheSealedOneAndTheSourceWhenItIsRefused) {
    const ProtectedParameters parameters = newProtectedParameters(runs.cost);
    const ProtectedKey key = keyOfPassphrase(runs.password, parameters);
    const Bytes source = patternBytes(300'000, 3);
    const Bytes sealed = patternBytes(900, 4);
    const auto container = [&](const std::string& name, std::span<const std::uint8_t> thumbnail) {
        std::string text;
        ProtectedBuilder builder;
        builder.start(key, parameters, {"2024/a.jpg", 0, source.size()}, thumbnail,
                      [&text](std::string_view part) { text.append(part); });
        builder.append(source);
        EXPECT_TRUE(builder.finish());
        writeFile(inFolder(name), Bytes(text.begin(), text.end()));
        return inFolder(name);
    };
    const std::string withThumbnail = container("with.tvx", sealed);
    const std::string without = container("without.tvx", {});
    const std::unique_ptr<FileSystem> files = ownFileSystem();
    ContainerReaders readers;
    const auto view = [&](const std::string& path, bool takesThumbnail) {
        std::vector<Bytes> given;
        const ReadInMemory read = readInMemory({.path = path,
                                                .files = *files,
                                                .readers = readers,
                                                .key =
                                                    [&](const ProtectedParameters& asked) {
                                                        return asked == parameters ? &key : nullptr;
                                                    },
                                                .stop = [] { return false; },
                                                .thumbnailWillDo = true},
                                               [&](std::span<const std::uint8_t> bytes) {
                                                   given.emplace_back(bytes.begin(), bytes.end());
                                                   return takesThumbnail;
                                               });
        EXPECT_EQ(read.outcome.kind, FileOutcome::Kind::Done) << path;
        EXPECT_EQ(read.recordedName, "a.jpg") << path;
        return given;
    };
    EXPECT_EQ(view(withThumbnail, true), std::vector<Bytes>{sealed});
    EXPECT_EQ(view(withThumbnail, false), (std::vector<Bytes>{sealed, source}));
    EXPECT_EQ(view(without, true), std::vector<Bytes>{source});

    // A file that is no container, too large to be read as a plain picture, is not read.
    const std::string vast = inFolder("vast.jpg");
    std::ofstream(vast).close();
    std::filesystem::resize_file(vast, (std::uintmax_t(256) << 20) + 1);
    bool given = false;
    const ReadInMemory plain =
        readInMemory({.path = vast,
                      .files = *files,
                      .readers = readers,
                      .key = {},
                      .stop = [] { return false; }},
                     [&given](std::span<const std::uint8_t>) { return given = true; });
    EXPECT_EQ(plain.outcome.reason, LeftOutReason::NotContainer);
    EXPECT_FALSE(given || plain.plain);
}

// The machine's system calls, counting the bytes read: on any thread, as a file may be read ahead.
class CountedReads final : public PosixCalls {
public:
    std::atomic<std::uint64_t> bytes = 0;

    ssize_t read(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixCalls::read(fd, buffer, size);
        bytes += got > 0 ? static_cast<std::uint64_t>(got) : 0;
        return got;
    }
};

// A viewer reads what a container records of its source from its end, head and record: a few
// kB of a container of megabytes, nothing of its thumbnail or content; of a file that is no
// Protected container only the end, with its own time and size.
TEST_F(ProtectedRunTest, AReadOfTheRecordTakesTheHeadAndTheRecordOnly) {
    const ProtectedParameters parameters = newProtectedParameters(runs.cost);
    const ProtectedKey key = keyOfPassphrase(runs.password, parameters);
    const Bytes source = patternBytes(3'000'000, 3);
    const SourceRecord recorded{"2024/03 March/IMG_2.jpg", 1'710'252'120'000'000'000,
                                source.size()};
    std::string text;
    ProtectedBuilder builder;
    builder.start(key, parameters, recorded, patternBytes(40'000, 4),
                  [&text](std::string_view part) { text.append(part); });
    builder.append(source);
    ASSERT_TRUE(builder.finish());
    writeFile(inFolder("a.tvx"), Bytes(text.begin(), text.end()));
    writeFile(inFolder("plain.jpg"), patternBytes(5000, 1));
    CountedReads counted;
    const std::unique_ptr<FileSystem> files = localFileSystemOver(counted);
    ContainerReaders readers;
    const auto read = [&](const std::string& name, const ProtectedKey* given) {
        counted.bytes = 0;
        return readRecord({.path = inFolder(name),
                           .files = *files,
                           .readers = readers,
                           .key = [given](const ProtectedParameters&) { return given; },
                           .stop = [] { return false; }});
    };

    const RecordRead opened = read("a.tvx", &key);
    EXPECT_EQ(opened.outcome.kind, FileOutcome::Kind::Done);
    EXPECT_EQ(opened.record, recorded);
    EXPECT_FALSE(opened.missingKey);
    EXPECT_GT(text.size(), 4'000'000U);
    EXPECT_LE(counted.bytes, 32'768U);

    const RecordRead locked = read("a.tvx", nullptr);
    EXPECT_EQ(locked.missingKey, parameters);
    EXPECT_FALSE(locked.record);

    const RecordRead plain = read("plain.jpg", &key);
    EXPECT_EQ(plain.outcome.kind, FileOutcome::Kind::Done);
    EXPECT_FALSE(plain.record);
    EXPECT_EQ(plain.fileSize, 5000U);
    EXPECT_EQ(plain.fileModifiedNs, modifiedNs(inFolder("plain.jpg")));
    EXPECT_EQ(counted.bytes, 5000U);
}

} // namespace
} // namespace tarvex::testing
