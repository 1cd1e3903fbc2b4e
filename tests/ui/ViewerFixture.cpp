#include "ViewerFixture.h"

#include "files/LocalFileSystem.h"
#include "files/PathParts.h"
#include "passwords/PassphraseKey.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedReport.h"

#include <QListView>
#include <QPixmap>
#include <QTest>
#include <filesystem>

namespace tarvex::testing {
namespace {

// The file system of the machine, a fresh one of its own.
struct OwnLocalFiles {
    std::unique_ptr<FileSystem> own = localFileSystemOver(systemCalls());
};

// The machine's file system for reading; any step that writes fails the test, and is refused.
class ReadOnlyFiles final : OwnLocalFiles, public ForwardingFileSystem {
public:
    ReadOnlyFiles() : ForwardingFileSystem(*own) {}

    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string&,
                                           const FileIdentities&,
                                           std::optional<std::int64_t>) override {
        throw refused(path);
    }
    void createFolder(const std::string& path, bool) override { throw refused(path); }
    std::unique_ptr<FileWriter> openScratch(const WaitHandler&) override {
        throw refused("the scratch file");
    }

private:
    static FileError refused(const std::string& path) {
        ADD_FAILURE() << "the viewer writes " << path;
        return cannotCreate(path, EROFS);
    }
};

} // namespace

ViewerTest::~ViewerTest() {
    for (auto& viewer : viewers)
        viewer->close();
    viewers.clear();
    EXPECT_TRUE(dialogs.passphrases.empty()) << "passphrases left unasked";
}

std::string ViewerTest::picture(const std::string& name, QSize size, bool turned) {
    std::filesystem::create_directories(temp / "src");
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    const std::string path = temp / ("src/" + name);
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    if (turned) {
        // An EXIF segment of one entry, Orientation (0x0112) = 6, after the JPEG's first marker.
        const std::vector<std::uint8_t> exif{0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0,
                                             0,    'I',  'I',  0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,
                                             0x01, 0x00, 0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00,
                                             0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        std::vector<std::uint8_t> bytes = readFile(path);
        bytes.insert(bytes.begin() + 2, exif.begin(), exif.end());
        writeFile(path, bytes);
    }
    return path;
}

std::vector<std::string> ViewerTest::encrypt(const std::vector<std::string>& sources,
                                             ContainerClass level, const std::string& folder,
                                             const char* password) {
    Batch batch(localFileSystem());
    ScriptedReport report;
    if (classRow(level).enciphered)
        report.acceptPassphrase(password);
    const RunResult result = batch.encrypt({.files = sources,
                                            .password = password,
                                            .containerClass = level,
                                            .outputFolderName = folder,
                                            .cost = cheapCost},
                                           report);
    EXPECT_EQ(result.done, int(sources.size()));
    std::vector<std::string> containers;
    for (const std::string& source : sources)
        containers.push_back(folderPart(source) + folder + "/" + namePart(source) +
                             std::string(classRow(level).fileType));
    return containers;
}

ViewerWindow& ViewerTest::view(std::vector<std::string> files, bool writable) {
    FileSystems fileSystems = [] { return std::make_unique<ReadOnlyFiles>(); };
    if (writable)
        fileSystems = [] { return localFileSystemOver(systemCalls()); };
    const KeyDerivation derive = [this](std::string_view passphrase,
                                        const ProtectedParameters& parameters) {
        ++derivations;
        return keyOfPassphrase(passphrase, parameters);
    };
    viewers.push_back(std::make_unique<ViewerWindow>(
        std::move(files), ViewerSetup{dialogs, tries, fileSystems, derive, true}));
    // Large enough that every tile of a test is in view, and its thumbnail wanted.
    viewers.back()->resize(1600, 1200);
    viewers.back()->show();
    return *viewers.back();
}

bool ViewerTest::settled(ViewerWindow& viewer) {
    return QTest::qWaitFor(
        [&viewer] {
            ContainerModel& model = viewer.model();
            for (int row = 0; row < model.rowCount(); ++row) {
                const QModelIndex index = model.index(row);
                if (index.data(Qt::DecorationRole).isNull() &&
                    index.data(ContainerModel::problemRole).toString().isEmpty())
                    return false;
            }
            return true;
        },
        waitMs);
}

std::string ViewerTest::tile(ViewerWindow& viewer, int row) {
    const QModelIndex index = viewer.model().index(row);
    const QString problem = index.data(ContainerModel::problemRole).toString();
    if (!problem.isEmpty())
        return problem.toStdString();
    const QSize size = index.data(Qt::DecorationRole).value<QPixmap>().size();
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

QModelIndex ViewerTest::tileOf(ViewerWindow& viewer, int row) {
    const auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    return static_cast<const ArrangedModel*>(grid->model())->indexOfRow(row);
}

} // namespace tarvex::testing
