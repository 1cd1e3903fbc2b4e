// The picture viewer: containers of every class read into memory, in their order, each tile
// saying why it has no picture; one passphrase and one key for each encrypt run, with the ten-try
// lock and the questions before costly keys; the keys of the picture view; nothing written but a
// copy that the user saves; no picture decoded beyond what its header declares a decoding may
// take; plain pictures shown marked beside the containers and counted apart; the zoom of the grid's
// tiles and of the picture, its panning; the viewer's program ending on a signal without leaving
// its temporary folder; a library arranged by what its containers record, filtered by the search
// field, and named in the status bar.
#include "ViewerFixture.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtText.h"
#include "files/LocalFileSystem.h"
#include "pictures/HeicPictures.h"
#include "support/CliProcess.h"
#include "support/ScriptedReport.h"
#include "texts/Catalogue.h"
#include "ui/untMain.h"
#include "viewer/ArrangedModel.h"
#include "viewer/PictureView.h"
#include "viewer/SaveCopy.h"
#include "viewer/ThumbnailCache.h"
#include "viewer/ViewerChoice.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>

namespace tarvex::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const LanguageTable& texts = englishTable();

std::string words(std::string_view text, std::initializer_list<std::string_view> values = {}) {
    return filledIn(text, values);
}

// A copy of the Protected container `container` at `path` whose head names a cost of 16 passes
// over 1 GiB, 21 times what the program writes.
std::string costly(const std::string& container, const std::string& path) {
    std::vector<std::uint8_t> bytes = readFile(container);
    // The first 44 characters of the text are the first 33 bytes of the payload.
    QByteArray front =
        QByteArray::fromBase64(QByteArray(reinterpret_cast<const char*>(bytes.data()), 44));
    const auto put = [&front](int at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            front[at + i] = char(value >> (8 * i));
    };
    put(8, 16);
    put(12, 1048576);
    const QByteArray text = front.toBase64();
    std::copy(text.begin(), text.end(), bytes.begin());
    writeFile(path, bytes);
    return path;
}

// A copy of `container` at `path` with the byte at `at` (a share of its length) made `byte`, or
// `byte + 1` where it already was `byte`, so that the copy always differs.
std::string changed(const std::string& container, const std::string& path, double at,
                    std::uint8_t byte) {
    std::vector<std::uint8_t> bytes = readFile(container);
    std::uint8_t& chosen = bytes.at(std::size_t(double(bytes.size()) * at));
    chosen = chosen == byte ? std::uint8_t(byte + 1) : byte;
    writeFile(path, bytes);
    return path;
}

// A copy at `path` of the picture `source` (a JPEG or a BMP) whose header declares `declared`
// pixels, with the few that it holds.
std::string declaring(const std::string& source, const std::string& path, QSize declared) {
    std::vector<std::uint8_t> bytes = readFile(source);
    const auto put = [&bytes](std::size_t at, std::uint32_t value, int size, bool bigEndian) {
        for (int i = 0; i < size; ++i)
            bytes.at(at + std::size_t(bigEndian ? size - 1 - i : i)) = std::uint8_t(value >> 8 * i);
    };
    if (bytes.at(0) == 'B') {
        put(18, std::uint32_t(declared.width()), 4, false);
        put(22, std::uint32_t(declared.height()), 4, false);
    } else {
        // The segments after the start of image, up to the frame's (SOF0 or SOF2).
        std::size_t at = 2;
        while (bytes.at(at + 1) != 0xC0 && bytes.at(at + 1) != 0xC2)
            at += 2 + std::size_t(bytes.at(at + 2) << 8 | bytes.at(at + 3));
        put(at + 5, std::uint32_t(declared.height()), 2, true);
        put(at + 7, std::uint32_t(declared.width()), 2, true);
    }
    writeFile(path, bytes);
    return path;
}

TEST_F(ViewerTest, ShowsEveryClassInTheOrderGivenAndSaysWhyATileHasNoPicture) {
    const std::string wide = picture("wide.jpg", {400, 300});
    const std::string tall = picture("tall.png", {30, 40});
    const std::string turned = picture("turned.jpg", {40, 20}, true);
    const std::string notes = temp / "src/notes.txt";
    writeFile(notes, patternBytes(100, 1));
    const auto standard = encrypt({wide, notes}, ContainerClass::Standard, "std");
    const auto high = encrypt({tall}, ContainerClass::HighLevel, "high");
    // Two encrypt runs: two salts, each asked once, with the same passphrase here.
    const auto run1 = encrypt({turned, wide}, ContainerClass::Protected, "p1");
    const auto run2 = encrypt({tall}, ContainerClass::Protected, "p2");
    const std::string random = temp / "random.jpg";
    writeFile(random, patternBytes(5000, 7));
    dialogs.passphrases = {QStringLiteral("secret1"), QStringLiteral("secret1")};

    ViewerWindow& viewer = view({standard[0], run1[0], changed(run1[1], temp / "damaged", 0.5, '!'),
                                 high[0], random, run2[0], standard[1], temp / "gone.tvx",
                                 changed(run1[1], temp / "unopened", 0.5, 'A'), run1[1]});
    ASSERT_TRUE(settled(viewer));

    const std::vector<std::pair<std::string, std::string>> expected{
        {"wide.jpg", "256x192"},
        // Turned upright by its EXIF orientation.
        {"turned.jpg", "20x40"},
        {"damaged", words(texts.viewerDamaged)},
        {"tall.png", "30x40"},
        {"random.jpg", words(texts.viewerNotContainer)},
        {"tall.png", "30x40"},
        {"notes.txt", words(texts.viewerNotImage)},
        {"gone.tvx", words(texts.viewerUnreadable, {"No such file or directory"})},
        {"unopened", words(texts.viewerNotOpened)},
        {"wide.jpg", "256x192"},
    };
    ASSERT_EQ(viewer.model().rowCount(), int(expected.size()));
    for (int row = 0; row < int(expected.size()); ++row) {
        EXPECT_EQ(viewer.model().name(row).toStdString(), expected[std::size_t(row)].first);
        EXPECT_EQ(tile(viewer, row), expected[std::size_t(row)].second) << "row " << row;
    }
    EXPECT_EQ(derivations, 2);
    EXPECT_EQ(dialogs.passphrasePrompts.size(), 2u);
}

TEST_F(ViewerTest, AWrongPassphraseIsAskedAgainAndTenInARowLockTheAsking) {
    const auto containers = encrypt({picture("a.jpg", {60, 40})}, ContainerClass::Protected, "p");
    dialogs.passphrases = {QStringLiteral("nope1"), QStringLiteral("secret1")};
    ViewerWindow& first = view(containers);
    ASSERT_TRUE(settled(first));
    EXPECT_EQ(tile(first, 0), "60x40");
    EXPECT_EQ(derivations, 2);
    EXPECT_EQ(dialogs.passphrasePrompts,
              (std::vector<QString>{qtText(words(texts.viewerPassphrase, {"a.jpg.tvx"})),
                                    qtText(words(texts.viewerPassphraseAgain, {"a.jpg.tvx"}))}));
    EXPECT_EQ(tries.count(), 0);

    // Nine wrong in a row before, and the tenth locks the asking of every viewer.
    for (int wrong = 0; wrong < 9; ++wrong)
        tries.failed();
    dialogs.passphrases = {QStringLiteral("nope2")};
    ViewerWindow& second = view(containers);
    ASSERT_TRUE(settled(second));
    EXPECT_EQ(tile(second, 0), words(texts.viewerWrongPassphrase));
    EXPECT_EQ(dialogs.messageTexts().back(), qtText(texts.viewerTooManyTries));
    ViewerWindow& third = view(containers);
    ASSERT_TRUE(settled(third));
    EXPECT_EQ(tile(third, 0), words(texts.viewerWrongPassphrase));
    EXPECT_EQ(derivations, 3);
}

TEST_F(ViewerTest, AsksBeforeACostlyKeyAndBeforeAFifthKey) {
    std::vector<std::string> containers;
    for (const char* run : {"r0", "r1", "r2", "r3", "r4"}) {
        const std::string source = picture(std::string(run) + ".jpg", {20, 20});
        containers.push_back(encrypt({source}, ContainerClass::Protected, run).front());
    }
    containers.push_back(costly(containers.front(), temp / "costly"));
    dialogs.passphrases.assign(4, QStringLiteral("secret1"));
    // Not the costly key, nor a fifth one, whichever is asked about first.
    dialogs.script.answerNextQuestion(false);
    dialogs.script.answerNextQuestion(false);
    ViewerWindow& viewer = view(containers);
    ASSERT_TRUE(settled(viewer));
    const std::string notDerived = words(texts.viewerKeyNotDerived);
    EXPECT_EQ(tile(viewer, 5), notDerived);
    EXPECT_THAT(
        dialogs.questions,
        ::testing::Contains(qtText(words(texts.viewerCostlyKey, {"costly", "21", "21", "1024"}))));
    int refused = -1;
    for (int row = 0; row < 5; ++row) {
        if (tile(viewer, row) == notDerived)
            refused = row;
        else
            EXPECT_EQ(tile(viewer, row), "20x20");
    }
    ASSERT_GE(refused, 0);
    EXPECT_EQ(derivations, 4);

    // Return on the tile asks again.
    dialogs.script.answerNextQuestion(true);
    dialogs.passphrases = {QStringLiteral("secret1")};
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    grid->setCurrentIndex(tileOf(viewer, refused));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile(viewer, refused) == "20x20"; }, waitMs));
    EXPECT_EQ(derivations, 5);
}

TEST_F(ViewerTest, ReturnShowsAPictureWholeTheKeysWalkThePicturesAndEscGoesBack) {
    const std::string turned = picture("turned.jpg", {40, 20}, true);
    const auto designed =
        encrypt({picture("a.png", {900, 700}), turned}, ContainerClass::HighLevel, "high");
    const auto enciphered = encrypt({picture("b.jpg", {50, 60})}, ContainerClass::Protected, "p");
    dialogs.passphrases = {QStringLiteral("secret1")};
    ViewerWindow& viewer = view({designed[0], designed[1], enciphered[0]});
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    const auto shows = [&](int row, QSize size) {
        return viewer.shownRow() == row &&
               QTest::qWaitFor([&] { return shown->picture().size() == size; }, waitMs);
    };

    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(shows(0, {900, 700}));
    EXPECT_TRUE(shown->fitted());
    QTest::keyClick(shown, Qt::Key_1, Qt::ControlModifier);
    EXPECT_FALSE(shown->fitted());
    QTest::keyClick(shown, Qt::Key_Right);
    EXPECT_TRUE(shows(1, {20, 40}));
    QTest::keyClick(shown, Qt::Key_End);
    EXPECT_TRUE(shows(2, {50, 60}));
    QTest::keyClick(shown, Qt::Key_PageDown);
    EXPECT_TRUE(shows(2, {50, 60}));
    QTest::keyClick(shown, Qt::Key_Home);
    EXPECT_TRUE(shows(0, {900, 700}));
    QTest::keyClick(shown, Qt::Key_Escape);
    EXPECT_EQ(viewer.shownRow(), -1);
    EXPECT_TRUE(shown->picture().isNull());
    EXPECT_EQ(grid->currentIndex(), tileOf(viewer, 0));
    // A container opened from the desktop shows at once.
    viewer.showFile(designed[1]);
    EXPECT_TRUE(shows(1, {20, 40}));
}

TEST_F(ViewerTest, SaveACopyRestoresThePictureShownWhereTheUserChooses) {
    const std::string source = picture("b.jpg", {50, 60});
    const auto containers = encrypt({source}, ContainerClass::Protected, "p");
    dialogs.passphrases = {QStringLiteral("secret1")};
    ViewerWindow& viewer = view(containers, true);
    QTest::keyClick(viewer.findChild<QListView*>(QStringLiteral("grid")), Qt::Key_Return);
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown->picture().isNull(); }, waitMs));

    dialogs.script.chooseNextFiles({temp / "saved.jpg"});
    QTest::keyClick(shown, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.suggestedSaves, std::vector<QString>{qtText(temp / "src/p/b.jpg")});
    EXPECT_EQ(readFile(temp / "saved.jpg"), readFile(source));
    EXPECT_TRUE(dialogs.messages.empty());
}

// A name that a container records, and the folder of the containers, are shown escaped in the
// tile, the status bar and the caption; a copy is still saved under the recorded name as it is.
TEST_F(ViewerTest, HostileNamesAreShownEscapedAndSavedAsTheyAre) {
    const std::string hostile = "b\x1b]0;owned\x07\n.jpg";
    const std::string folder = "p\x1b[2J";
    const auto containers =
        encrypt({picture(hostile, {50, 60})}, ContainerClass::Protected, folder);
    const std::string container = temp / ("src/" + folder + "/c.tvx");
    std::filesystem::rename(containers.at(0), container);
    dialogs.passphrases = {QStringLiteral("secret1")};
    ViewerWindow& viewer = view({container}, true);
    ASSERT_TRUE(settled(viewer));
    EXPECT_EQ(viewer.model().name(0).toStdString(), "b\\x1b]0;owned\\x07\\n.jpg");
    EXPECT_THAT(viewer.windowTitle().toStdString(), HasSubstr("/p\\x1b[2J"));

    QTest::keyClick(viewer.findChild<QListView*>(QStringLiteral("grid")), Qt::Key_Return);
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown->picture().isNull(); }, waitMs));
    EXPECT_THAT(viewer.findChild<QLabel*>(QStringLiteral("viewerCount"))->text().toStdString(),
                StartsWith("b\\x1b]0;owned\\x07\\n.jpg "));
    dialogs.script.cancelNextDialog();
    QTest::keyClick(shown, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.suggestedSaves,
              std::vector<QString>{pathText(temp / ("src/" + folder + "/" + hostile))});
}

TEST_F(ViewerTest, FileMenuViewOpensTheViewerOnAFolder) {
    encrypt({picture("b.jpg", {20, 20}), picture("a.jpg", {20, 20})}, ContainerClass::Standard,
            "std");
    TfrmMain window(dialogs);
    window.show();
    dialogs.script.chooseNextFiles({temp / "src/std"});
    window.findChild<QAction*>(QStringLiteral("nview"))->trigger();
    EXPECT_TRUE(dialogs.dialogs.back().folderChoosable);
    auto* viewer = window.findChild<ViewerWindow*>();
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(viewer->model().rowCount(), 2);
    EXPECT_EQ(viewer->model().name(0), QStringLiteral("a.jpg"));
    EXPECT_TRUE(settled(*viewer));
    window.close();
}

TEST_F(ViewerTest, APictureDeclaringMoreThanADecodingMayTakeIsNotDecoded) {
    const std::string small = picture("small.jpg", {64, 48});
    const std::string progressive = temp / "src/progressive.jpg";
    QImageWriter writer(QString::fromStdString(progressive));
    writer.setProgressiveScanWrite(true);
    QImage colours(64, 48, QImage::Format_RGB32);
    colours.fill(QColor(200, 80, 40));
    ASSERT_TRUE(writer.write(colours));
    const auto containers =
        encrypt({small, declaring(small, temp / "src/wide.jpg", {16000, 16000}),
                 declaring(small, temp / "src/vast.jpg", {45000, 45000}),
                 // Held whole in coefficients while it decodes, however small it is asked for.
                 declaring(progressive, temp / "src/layered.jpg", {12000, 12000}),
                 // No scaling while it decodes: 256 MB of pixels for a thumbnail too.
                 declaring(picture("flat.bmp", {64, 48}), temp / "src/flat.bmp", {8000, 8000})},
                ContainerClass::Standard, "std");
    ViewerWindow& viewer = view(containers);
    ASSERT_TRUE(settled(viewer));
    const std::string tooLarge = words(texts.viewerTooLarge);
    EXPECT_EQ(tile(viewer, 0), "64x48");
    // Decoded at an eighth: 2000 x 2000 pixels.
    EXPECT_EQ(tile(viewer, 1), "256x256");
    for (int row = 2; row < 5; ++row)
        EXPECT_EQ(tile(viewer, row), tooLarge) << "row " << row;

    // The whole picture of 16000 x 16000 would take 1 GB.
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    grid->setCurrentIndex(tileOf(viewer, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->text() == qtText(tooLarge); }, waitMs));
    EXPECT_TRUE(shown->picture().isNull());
    // By their names: wide.jpg, vast.jpg, small.jpg.
    QTest::keyClick(shown, Qt::Key_Left);
    QTest::keyClick(shown, Qt::Key_Left);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->picture().size() == QSize(64, 48); }, waitMs));
}

// A folder of a library that is only partly encrypted: its plain pictures show as they are,
// marked, and nothing is written for them.
// A phone's HEIC picture shows in its tile and whole, though no thumbnail was made in the process
// before, which would have added the format to Qt's readers.
TEST_F(ViewerTest, AHeicPictureShowsInItsTileAndWhole) {
    QImage made(120, 80, QImage::Format_RGB32);
    made.fill(Qt::darkCyan);
    const QByteArray heic = writtenAsHeic(made);
    const std::string path = temp / "phone.heic";
    writeFile(path, std::vector<std::uint8_t>(heic.begin(), heic.end()));
    ViewerWindow& viewer = view({path});
    ASSERT_TRUE(settled(viewer));
    EXPECT_EQ(tile(viewer, 0), "120x80");
    viewer.showFile(path);
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->picture().size() == QSize(120, 80); }, waitMs));
}

TEST_F(ViewerTest, PlainPicturesInAFolderShowMarked) {
    const std::string folder = temp / "src/lib";
    encrypt({picture("a.jpg", {60, 40})}, ContainerClass::Protected, "lib");
    picture("lib/b.png", {30, 20});
    picture("lib/c.jpg", {40, 50});
    writeFile(folder + "/d.txt", {'n', 'o', 't', 'e', 's', '\n'});
    const auto contents = [&folder] {
        std::map<std::string, std::vector<std::uint8_t>> files;
        for (const std::string& name : namesIn(folder))
            files[name] = readFile(folder + "/" + name);
        return files;
    };
    const auto before = contents();
    dialogs.passphrases = {QStringLiteral("secret1")};
    ViewerWindow& viewer = view(viewedFiles({folder}));
    ASSERT_TRUE(settled(viewer));

    const std::vector<std::pair<std::string, std::string>> expected{
        {"a.jpg", "60x40"},
        {words(texts.viewerPlainName, {"b.png"}), "30x20"},
        {words(texts.viewerPlainName, {"c.jpg"}), "40x50"},
        {"d.txt", words(texts.viewerNotContainer)},
    };
    ContainerModel& model = viewer.model();
    ASSERT_EQ(model.rowCount(), int(expected.size()));
    for (int row = 0; row < int(expected.size()); ++row) {
        EXPECT_EQ(model.index(row).data().toString().toStdString(),
                  expected[std::size_t(row)].first);
        EXPECT_EQ(tile(viewer, row), expected[std::size_t(row)].second) << "row " << row;
    }
    auto* count = viewer.findChild<QLabel*>(QStringLiteral("viewerCount"));
    EXPECT_EQ(count->text(), QStringLiteral("1 container, 2 plain pictures"));
    viewer.setLanguage(false);
    EXPECT_EQ(count->text(), QStringLiteral("1 个加密文件，2 张未加密图片"));
    viewer.setLanguage(true);
    ViewerWindow& alone = view({folder + "/b.png"});
    ASSERT_TRUE(settled(alone));
    EXPECT_EQ(alone.findChild<QLabel*>(QStringLiteral("viewerCount"))->text(),
              QStringLiteral("1 plain picture"));

    // The whole plain picture, named as not protected in the status bar.
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    grid->setCurrentIndex(tileOf(viewer, 2));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->picture().size() == QSize(40, 50); }, waitMs));
    EXPECT_THAT(count->text().toStdString(),
                StartsWith(words(texts.viewerPlainName, {"c.jpg"}) + " "));

    EXPECT_EQ(contents(), before);
}

// Zoom in and out act on the page that shows: the tiles of the grid, which keep their size, or
// the picture, whose zoom the tool bar shows and whose Left and Right pan it once it is wider than
// the view.
TEST_F(ViewerTest, ZoomActsOnTheTilesOrThePictureThatShows) {
    const auto containers = encrypt({picture("a.png", {900, 700}), picture("b.png", {20, 20})},
                                    ContainerClass::Standard, "std");
    ViewerWindow& viewer = view(containers);
    ASSERT_TRUE(settled(viewer));
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    // The size of the tile chosen, once the grid is laid out anew.
    const auto tile = [grid] {
        QApplication::processEvents();
        return grid->visualRect(grid->currentIndex()).size();
    };
    const QSize largest = tile();
    EXPECT_EQ(grid->iconSize(), QSize(256, 256));
    QTest::keyClick(grid, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(grid->iconSize(), QSize(224, 224));
    EXPECT_EQ(tile(), largest - QSize(32, 32));
    QWheelEvent down({100, 100}, grid->viewport()->mapToGlobal(QPoint(100, 100)), {}, {0, -120},
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &down);
    EXPECT_EQ(grid->iconSize(), QSize(192, 192));
    for (int press = 0; press < 6; ++press)
        QTest::keyClick(grid, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(grid->iconSize(), QSize(96, 96));
    QTest::keyClick(grid, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(grid->iconSize(), QSize(128, 128));

    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    auto* zoom = viewer.findChild<QLabel*>(QStringLiteral("viewerZoom"));
    auto* fit = viewer.findChild<QAction*>(QStringLiteral("viewerFit"));
    auto* actualSize = viewer.findChild<QAction*>(QStringLiteral("viewerActualSize"));
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown->picture().isNull(); }, waitMs));
    EXPECT_EQ(zoom->text(), QStringLiteral("100 %"));
    EXPECT_TRUE(fit->isChecked());
    QTest::keyClick(shown, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(shown, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(zoom->text(), QStringLiteral("200 %"));
    EXPECT_FALSE(fit->isChecked() || actualSize->isChecked());
    ASSERT_GT(shown->horizontalScrollBar()->maximum(), 0);
    const int across = shown->horizontalScrollBar()->value();
    QTest::keyClick(shown, Qt::Key_Right);
    EXPECT_GT(shown->horizontalScrollBar()->value(), across);
    EXPECT_EQ(viewer.shownRow(), 0);
    // Stepping keeps the zoom; the grid kept its tiles' size.
    QTest::keyClick(shown, Qt::Key_PageDown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->picture().size() == QSize(20, 20); }, waitMs));
    EXPECT_EQ(zoom->text(), QStringLiteral("200 %"));
    QTest::keyClick(shown, Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(actualSize->isChecked());
    EXPECT_EQ(zoom->text(), QStringLiteral("100 %"));
    QTest::keyClick(shown, Qt::Key_Escape);
    EXPECT_EQ(grid->iconSize(), QSize(128, 128));
}

TEST(PictureView, ZoomStepsStopAtBothEndsAndFitAnd100StillHold) {
    PictureView view;
    view.resize(400, 300);
    view.show();
    view.showPicture(QImage(2000, 1000, QImage::Format_RGB32));
    const double fitted = double(view.viewport()->width()) / 2000;
    EXPECT_DOUBLE_EQ(view.scale(), fitted);
    // Out of the fit there is only the smallest step, and nothing below it.
    view.zoom(-1);
    EXPECT_DOUBLE_EQ(view.scale(), 0.1);
    view.zoom(-1);
    EXPECT_DOUBLE_EQ(view.scale(), 0.1);
    EXPECT_FALSE(view.fitted());
    view.zoom(3);
    EXPECT_DOUBLE_EQ(view.scale(), 2.0 / 3.0);
    view.zoom(20);
    EXPECT_DOUBLE_EQ(view.scale(), 8);
    view.zoom(1);
    EXPECT_DOUBLE_EQ(view.scale(), 8);
    view.setFitted(true);
    EXPECT_DOUBLE_EQ(view.scale(), fitted);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    view.setFitted(false);
    EXPECT_DOUBLE_EQ(view.scale(), 1);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 2000 - view.viewport()->width());
    // A picture smaller than the view fits at 100 %, and zooms out from there.
    view.setFitted(true);
    view.showPicture(QImage(100, 50, QImage::Format_RGB32));
    EXPECT_DOUBLE_EQ(view.scale(), 1);
    view.zoom(-1);
    EXPECT_DOUBLE_EQ(view.scale(), 2.0 / 3.0);
}

TEST(PictureView, TheWheelWithCtrlZoomsAboutTheCursorAndADragPans) {
    PictureView view;
    view.resize(400, 300);
    view.show();
    view.showPicture(QImage(2000, 1000, QImage::Format_RGB32));
    view.setFitted(false);
    QWidget* viewport = view.viewport();
    view.horizontalScrollBar()->setValue(800);
    view.verticalScrollBar()->setValue(300);
    const QPointF cursor(50, 60);
    EXPECT_EQ(view.pictureAt(cursor), QPointF(850, 360));
    // Two half notches of a fine wheel make one step.
    for (int turn = 0; turn < 2; ++turn) {
        QWheelEvent up(cursor, viewport->mapToGlobal(cursor), {}, {0, 60}, Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &up);
    }
    EXPECT_DOUBLE_EQ(view.scale(), 1.5);
    const QPointF spot = view.pictureAt(cursor);
    EXPECT_NEAR(spot.x(), 850, 1);
    EXPECT_NEAR(spot.y(), 360, 1);

    EXPECT_EQ(viewport->cursor().shape(), Qt::OpenHandCursor);
    const QPoint values(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(200, 150));
    EXPECT_EQ(viewport->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(viewport, QPoint(150, 110));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(150, 110));
    EXPECT_EQ(QPoint(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value()),
              values + QPoint(50, 40));
    EXPECT_EQ(viewport->cursor().shape(), Qt::OpenHandCursor);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_GT(view.verticalScrollBar()->value(), values.y() + 40);
}

// The tiles and headings of the grid of `viewer`, a heading as "# heading".
std::vector<std::string> gridTexts(ViewerWindow& viewer) {
    const QAbstractItemModel* grid = viewer.findChild<QListView*>(QStringLiteral("grid"))->model();
    std::vector<std::string> texts;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QModelIndex index = grid->index(row, 0);
        const std::string text = index.data().toString().toStdString();
        texts.push_back(index.data(ArrangedModel::headingRole).toBool() ? "# " + text : text);
    }
    return texts;
}

// Sets the time of the last change of `path` to a local time.
void touch(const std::string& path, QDateTime time) {
    const std::int64_t seconds = time.toSecsSinceEpoch();
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A library with hidden names, its folders sealed in the containers, beside a plain picture:
// arranged by folder and by month from what the containers record, the picture view stepping
// over the headings, the search field filtering the grid, the status bar saying what a picture
// is, in both languages.
TEST_F(ViewerTest, ALibraryWithHiddenNamesIsArrangedByWhatItsContainersRecord) {
    const std::string march = "lib/2024/03 March/";
    std::filesystem::create_directories(temp / ("src/" + march));
    std::filesystem::create_directories(temp / "src/lib/2023/12 December");
    touch(picture(march + "IMG_10.jpg", {40, 30}), {{2024, 3, 12}, {14, 2}});
    touch(picture(march + "IMG_2.jpg", {30, 40}), {{2024, 3, 2}, {9, 0}});
    touch(picture("lib/2023/12 December/c.png", {20, 20}), {{2023, 12, 24}, {18, 0}});
    Batch batch(localFileSystem());
    ScriptedReport report;
    report.acceptPassphrase("secret1");
    ASSERT_EQ(batch
                  .encrypt({.files = {},
                            .trees = {temp / "src/lib"},
                            .ownFolderNames = outputFolderNames(),
                            .password = "secret1",
                            .containerClass = ContainerClass::Protected,
                            .hideNames = true,
                            .outputFolderName = "enc",
                            .cost = cheapCost},
                           report)
                  .done,
              3);
    touch(picture("lib/enc/plain.png", {10, 10}), {{2024, 6, 1}, {8, 0}});
    dialogs.passphrases = {QStringLiteral("secret1")};
    ViewerWindow& viewer = view(viewedFiles({temp / "src/lib/enc"}));
    ASSERT_TRUE(settled(viewer));
    const std::string plain = words(texts.viewerPlainName, {"plain.png"});
    const auto arranged = [&viewer](const std::vector<std::string>& expected) {
        const bool came = QTest::qWaitFor([&] { return gridTexts(viewer) == expected; }, waitMs);
        EXPECT_EQ(gridTexts(viewer), expected);
        return came;
    };
    EXPECT_TRUE(arranged({"# Top folder", plain, "# 2023/12 December", "c.png", "# 2024/03 March",
                          "IMG_2.jpg", "IMG_10.jpg"}));

    viewer.findChild<QAction*>(QStringLiteral("viewerByTime"))->trigger();
    EXPECT_TRUE(arranged({"# June 2024", plain, "# March 2024", "IMG_10.jpg", "IMG_2.jpg",
                          "# December 2023", "c.png"}));
    ContainerModel& model = viewer.model();
    const auto rowOf = [&model](const char* name) {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.name(row) == QString::fromUtf8(name))
                return row;
        }
        return -1;
    };
    auto* grid = viewer.findChild<QListView*>(QStringLiteral("grid"));
    auto* shown = viewer.findChild<PictureView*>(QStringLiteral("pictureView"));
    auto* facts = viewer.findChild<QLabel*>(QStringLiteral("viewerFacts"));
    grid->setCurrentIndex(tileOf(viewer, rowOf("plain.png")));
    EXPECT_THAT(facts->text().toStdString(),
                StartsWith(plain + " — Top folder — 1 Jun 2024 08:00 — "));
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(shown, Qt::Key_Right);
    EXPECT_EQ(viewer.shownRow(), rowOf("IMG_10.jpg"));
    EXPECT_THAT(facts->text().toStdString(),
                StartsWith("IMG_10.jpg — 2024/03 March — 12 Mar 2024 14:02 — "));
    QTest::keyClick(shown, Qt::Key_End);
    EXPECT_EQ(viewer.shownRow(), rowOf("c.png"));
    QTest::keyClick(shown, Qt::Key_Left);
    EXPECT_EQ(viewer.shownRow(), rowOf("IMG_2.jpg"));
    QTest::keyClick(shown, Qt::Key_Home);
    EXPECT_EQ(viewer.shownRow(), rowOf("plain.png"));
    QTest::keyClick(shown, Qt::Key_Escape);
    // The grid's keys pass over the headings too.
    QTest::keyClick(grid, Qt::Key_End);
    EXPECT_EQ(grid->currentIndex(), tileOf(viewer, rowOf("c.png")));
    QTest::keyClick(grid, Qt::Key_Home);
    EXPECT_EQ(grid->currentIndex(), tileOf(viewer, rowOf("plain.png")));
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex(), tileOf(viewer, rowOf("IMG_10.jpg")));

    auto* search = viewer.findChild<QLineEdit*>(QStringLiteral("viewerSearch"));
    search->setFocus();
    QTest::keyClicks(search, "img_");
    EXPECT_TRUE(arranged({"# March 2024", "IMG_10.jpg", "IMG_2.jpg"}));
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_EQ(gridTexts(viewer).size(), 7U);

    viewer.setLanguage(false);
    EXPECT_EQ(gridTexts(viewer).front(), "# 2024年6月");
    grid->setCurrentIndex(tileOf(viewer, rowOf("IMG_10.jpg")));
    EXPECT_THAT(facts->text().toStdString(),
                StartsWith("IMG_10.jpg — 2024/03 March — 2024年3月12日 14:02 — "));
}

// The program ends on these signals as it ends when closed, and removes the folder that it
// keeps Qt's settings in.
TEST_F(ViewerTest, TheViewerProgramEndsOnASignalAndLeavesNothingInTheTemporaryFolder) {
    const auto containers = encrypt({picture("a.jpg", {60, 40})}, ContainerClass::Standard, "std");
    // The folder of the desktop session, which outlives a program: without one, Qt makes its
    // own in TMPDIR.
    const std::string runtime = temp / "runtime";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        const std::string tmp = temp / ("tmp" + std::to_string(number));
        std::filesystem::create_directory(tmp);
        CliProcess program({"--view", containers[0]}, "", temp.path(), {},
                           {.path = TARVEX_WINDOW,
                            .environment = {"TMPDIR=" + tmp, "XDG_RUNTIME_DIR=" + runtime,
                                            "QT_QPA_PLATFORM=offscreen"}});
        // Running once its folder is there.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !namesIn(tmp).empty(); }, waitMs));
        program.sendSignal(number);
        const int status = program.wait();
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << number << ", ended by " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + number);
        EXPECT_EQ(namesIn(tmp), std::set<std::string>{}) << "signal " << number;
    }
}

TEST(ViewerChoice, AFolderStandsForItsTreeAndTvxNamesOpenTheViewer) {
    TempFolder temp;
    std::filesystem::create_directories(temp / "box/sub");
    for (const char* name : {"box/b.tvx", "box/A.TVX", "box/sub/c.tvx", "box/.hidden", "x.jpg"})
        writeFile(temp / name, {1});
    EXPECT_EQ(viewedFiles({temp / "x.jpg", temp / "box", temp / "gone"}),
              (std::vector<std::string>{temp / "x.jpg", temp / "box/A.TVX", temp / "box/b.tvx",
                                        temp / "box/sub/c.tvx", temp / "gone"}));
    // One container opened from the desktop steps through those beside it, not deeper.
    EXPECT_EQ(containersBeside(temp / "box/b.tvx"),
              (std::vector<std::string>{temp / "box/A.TVX", temp / "box/b.tvx"}));

    const struct {
        std::vector<std::string> files;
        bool viewed;
    } starts[] = {
        {{}, false},
        {{"/p/a.tvx", "/p/B.TVX"}, true},
        {{"/p/a.tvx", "/p/b.jpg"}, false},
        {{"/p/.tvx"}, false},
    };
    for (const auto& start : starts)
        EXPECT_EQ(allNamedTvx(start.files), start.viewed) << ::testing::PrintToString(start.files);

    EXPECT_EQ(copyName("/p/a.jpg.tvx", ""), "a.jpg");
    EXPECT_EQ(copyName("/p/abc.JPGE", ""), "abc.JPG");
    EXPECT_EQ(copyName("/p/x.tvx", "holiday.jpg"), "holiday.jpg");
}

TEST(ViewDialog, OpenOnAFolderChoosesItAndOnNothingTheFolderShown) {
    TempFolder temp;
    std::filesystem::create_directories(temp / "box");
    writeFile(temp / "a.tvx", {1});
    OpenFilesDialogOptions options;
    options.initialFolder = QString::fromStdString(temp.path());
    options.folderChoosable = true;
    for (const std::string& selected : {std::string("box"), std::string()}) {
        OpenFilesDialog dialog(nullptr, options);
        dialog.show();
        if (!selected.empty())
            dialog.selectFile(QString::fromStdString(temp / selected));
        static_cast<QDialog&>(dialog).accept();
        EXPECT_EQ(dialog.chosenFiles(), QStringList{QString::fromStdString(
                                            selected.empty() ? temp.path() : temp / selected)});
    }
}

TEST(ThumbnailCache, GivesUpTheLeastRecentlyUsedBeyondItsBudget) {
    QPixmap thumbnail(16, 16); // 1 KB
    ThumbnailCache cache(2 * 1024);
    EXPECT_TRUE(cache.put(1, thumbnail).empty());
    EXPECT_TRUE(cache.put(2, thumbnail).empty());
    ASSERT_NE(cache.find(1), nullptr);
    EXPECT_EQ(cache.put(3, thumbnail), std::vector<int>{2});
    EXPECT_EQ(cache.find(2), nullptr);
    EXPECT_EQ(cache.bytes(), 2 * 1024);
}

} // namespace
} // namespace tarvex::testing
