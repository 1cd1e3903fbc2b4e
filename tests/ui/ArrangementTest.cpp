// The arrangements of the viewer's grid without a window: by folder and by month under headings,
// names in natural order, the filter, the steps that pass over headings, and what the status bar
// says of a picture in both languages.
#include "viewer/Arrangement.h"

#include "texts/Catalogue.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

// The nanoseconds since 1970 of a local time.
std::int64_t at(int year, int month, int day, int hour = 12, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute)).toMSecsSinceEpoch() * 1'000'000;
}

RowFacts facts(const char* name, const char* folder, std::optional<std::int64_t> time = {}) {
    return {.name = QString::fromUtf8(name),
            .folder = QString::fromUtf8(folder),
            .modifiedNs = time,
            .size = std::nullopt};
}

// The places of `arrangement` as "# heading" and names.
std::vector<std::string> shown(const Arrangement& arrangement, bool english = true) {
    std::vector<std::string> places;
    for (int place = 0; place < arrangement.places(); ++place) {
        const int row = arrangement.rowAt(place);
        places.push_back(
            row < 0 ? "# " + arrangement.heading(place, languageTable(english)).toStdString()
                    : arrangement.facts(row).name.toStdString());
    }
    return places;
}

using Places = std::vector<std::string>;

Arrangement library() {
    return Arrangement({facts("IMG_10.jpg", "2024/03 March", at(2024, 3, 12)),
                        facts("plain.png", "", at(2023, 12, 31, 23, 30)),
                        facts("IMG_2.jpg", "2024/03 March", at(2024, 3, 2)),
                        facts("b.jpg", "2024/10 October", at(2024, 10, 1)), facts("unread.tvx", ""),
                        facts("a.jpg", "2024/9 September", at(2024, 3, 20))});
}

TEST(Arrangement, ByFolderHeadsEachFolderAndSortsNamesInNaturalOrder) {
    Arrangement arrangement = library();
    EXPECT_EQ(shown(arrangement),
              (Places{"# Top folder", "plain.png", "unread.tvx", "# 2024/03 March", "IMG_2.jpg",
                      "IMG_10.jpg", "# 2024/9 September", "a.jpg", "# 2024/10 October", "b.jpg"}));
    EXPECT_EQ(shown(arrangement, false).front(), "# 顶层文件夹");
    // A row whose record came moves to its folder.
    arrangement.setFacts(4, facts("IMG_3.jpg", "2024/03 March", at(2024, 3, 5)));
    arrangement.arrange(Arranging::ByFolder);
    EXPECT_EQ(shown(arrangement),
              (Places{"# Top folder", "plain.png", "# 2024/03 March", "IMG_2.jpg", "IMG_3.jpg",
                      "IMG_10.jpg", "# 2024/9 September", "a.jpg", "# 2024/10 October", "b.jpg"}));
}

TEST(Arrangement, NaturalOrderGoesByTheValueOfNumbersAndIgnoresCase) {
    EXPECT_LT(naturalCompare(u"IMG_2.jpg", u"IMG_10.jpg"), 0);
    EXPECT_LT(naturalCompare(u"img_02.jpg", u"IMG_10.jpg"), 0);
    EXPECT_LT(naturalCompare(u"a.jpg", u"B.jpg"), 0);
    EXPECT_LT(naturalCompare(u"IMG_9", u"IMG_9a"), 0);
    // Names that differ never compare equal, so that each folder keeps one heading.
    EXPECT_NE(naturalCompare(u"2024/3", u"2024/03"), 0);
    EXPECT_NE(naturalCompare(u"March", u"march"), 0);
    EXPECT_EQ(naturalCompare(u"IMG_2", u"IMG_2"), 0);
}

TEST(Arrangement, ByTimeHeadsEachMonthNewestFirstAndTheUnknownLast) {
    Arrangement arrangement = library();
    arrangement.arrange(Arranging::ByTime);
    EXPECT_EQ(shown(arrangement),
              (Places{"# October 2024", "b.jpg", "# March 2024", "a.jpg", "IMG_10.jpg", "IMG_2.jpg",
                      "# December 2023", "plain.png", "# Time not known", "unread.tvx"}));
    const Places chinese = shown(arrangement, false);
    EXPECT_EQ(chinese[0], "# 2024年10月");
    EXPECT_EQ(chinese[8], "# 时间未知");
}

TEST(Arrangement, TheFilterKeepsNamesAndFoldersThatHoldItAndDropsEmptyHeadings) {
    Arrangement arrangement = library();
    arrangement.filter(QStringLiteral("img_"));
    EXPECT_EQ(shown(arrangement), (Places{"# 2024/03 March", "IMG_2.jpg", "IMG_10.jpg"}));
    EXPECT_EQ(arrangement.placeOf(3), -1);
    arrangement.filter(QStringLiteral("SEPT"));
    EXPECT_EQ(shown(arrangement), (Places{"# 2024/9 September", "a.jpg"}));
    // The filter holds through another arrangement.
    arrangement.arrange(Arranging::ByTime);
    EXPECT_EQ(shown(arrangement), (Places{"# March 2024", "a.jpg"}));
    arrangement.filter(QStringLiteral("nothing like it"));
    EXPECT_EQ(arrangement.places(), 0);
    EXPECT_EQ(arrangement.firstRow(), -1);
    EXPECT_EQ(arrangement.lastRow(), -1);
    arrangement.filter({});
    EXPECT_EQ(arrangement.places(), 10);
}

TEST(Arrangement, StepsPassOverHeadingsAndStopAtTheEnds) {
    Arrangement arrangement = library();
    // plain.png, unread.tvx, IMG_2.jpg, IMG_10.jpg, a.jpg, b.jpg
    EXPECT_EQ(arrangement.firstRow(), 1);
    EXPECT_EQ(arrangement.lastRow(), 3);
    EXPECT_EQ(arrangement.rowBeside(4, 1), 2);
    EXPECT_EQ(arrangement.rowBeside(2, -1), 4);
    EXPECT_EQ(arrangement.rowBeside(0, 1), 5);
    EXPECT_EQ(arrangement.rowBeside(3, 1), 3);
    EXPECT_EQ(arrangement.rowBeside(1, -1), 1);
    EXPECT_EQ(arrangement.rowBeside(4, 3), 5);
    // The picture view counts the rows as it steps through them.
    EXPECT_EQ(arrangement.numberOf(1), std::pair(1, 6));
    EXPECT_EQ(arrangement.numberOf(0), std::pair(4, 6));
    EXPECT_EQ(arrangement.numberOf(3), std::pair(6, 6));
    arrangement.filter(QStringLiteral("img_"));
    EXPECT_EQ(arrangement.numberOf(0), std::pair(2, 2));
    EXPECT_EQ(arrangement.numberOf(3), std::pair(0, 2));
}

TEST(RowFacts, TheStatusBarSaysNameFolderTimeAndSizeInBothLanguages) {
    RowFacts known = facts("IMG_0042.jpg", "2024/03 March", at(2024, 3, 12, 14, 2));
    known.size = 3'100'000;
    EXPECT_EQ(wordedFacts(known.name, known, englishTable()).toStdString(),
              "IMG_0042.jpg — 2024/03 March — 12 Mar 2024 14:02 — 3.1 MB");
    EXPECT_EQ(wordedFacts(known.name, known, chineseTable()).toStdString(),
              "IMG_0042.jpg — 2024/03 March — 2024年3月12日 14:02 — 3.1 MB");
    EXPECT_EQ(wordedFacts(QStringLiteral("x.tvx"), facts("x.tvx", ""), englishTable()),
              QStringLiteral("x.tvx — Top folder — Time not known"));
    EXPECT_EQ(wordedSize(999, englishTable()), QStringLiteral("999 bytes"));
    EXPECT_EQ(wordedSize(999, chineseTable()), QStringLiteral("999 字节"));
    EXPECT_EQ(wordedSize(999'960, englishTable()), QStringLiteral("1.0 MB"));
    EXPECT_EQ(wordedSize(42'000'000'000, englishTable()), QStringLiteral("42.0 GB"));
}

TEST(RowFacts, ARecordGivesNameFolderTimeAndSizeAndAFileItsOwn) {
    const std::string viewed = "/lib/";
    RecordRead read;
    read.outcome = FileOutcome::done();
    read.fileSize = 77;
    read.fileModifiedNs = 5;
    RowFacts own = factsOf("/lib/enc/Xy12.tvx", viewed, read);
    EXPECT_EQ(own.name, QStringLiteral("Xy12.tvx"));
    EXPECT_EQ(own.folder, QStringLiteral("enc"));
    EXPECT_EQ(own.modifiedNs, 5);
    EXPECT_EQ(own.size, 77U);

    read.record = SourceRecord{"2024/03 March/IMG_2.jpg", 9, 1000};
    const RowFacts recorded = factsOf("/lib/enc/Xy12.tvx", viewed, read);
    EXPECT_EQ(recorded.name, QStringLiteral("IMG_2.jpg"));
    EXPECT_EQ(recorded.folder, QStringLiteral("2024/03 March"));
    EXPECT_EQ(recorded.modifiedNs, 9);
    EXPECT_EQ(recorded.size, 1000U);
    // A record of the name alone: the folder the container lies in.
    read.record = SourceRecord{"IMG_3.jpg", 9, 1000};
    EXPECT_EQ(factsOf("/lib/enc/Xy12.tvx", viewed, read).folder, QStringLiteral("enc"));

    read.outcome = FileOutcome::leftOut(LeftOutReason::NotOpened);
    const RowFacts unopened = factsOf("/lib/Xy12.tvx", viewed, read);
    EXPECT_EQ(unopened.name, QStringLiteral("Xy12.tvx"));
    EXPECT_EQ(unopened.folder, QString());
    EXPECT_FALSE(unopened.modifiedNs);
}

} // namespace
} // namespace tarvex::testing
