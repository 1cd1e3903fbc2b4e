#pragma once

#include "viewer/RowFacts.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <utility>
#include <vector>

namespace tarvex {

struct LanguageTable;

// How the grid arranges its rows.
enum class Arranging {
    ByFolder, // by folder, a heading for each, names in natural order ("IMG_2" before "IMG_10")
    ByTime,   // newest first, a heading for each month, those of no known time last
};

// Compares names in their natural order: runs of digits by their value ("IMG_2" before
// "IMG_10"), letters in any case alike, other differences last, so that no two names are equal.
int naturalCompare(QStringView a, QStringView b);

// The rows of a viewing in the order of an arrangement, as places: a heading before each group,
// then its rows, those that the filter leaves. Arranging anew sorts only the rows whose facts
// changed, and merges them with the others: the records of a few thousand rows of 100,000 are
// arranged in a few hundredths of a second.
class Arrangement {
public:
    // `rows` rows, each known by `facts` until setFacts.
    explicit Arrangement(std::vector<RowFacts> facts);

    void setFacts(int row, RowFacts facts);
    const RowFacts& facts(int row) const { return rows_.at(std::size_t(row)).facts; }
    int rows() const { return int(rows_.size()); }

    // Sorts the rows anew, and lays them out with the filter in hand.
    void arrange(Arranging by);
    Arranging arranging() const { return by_; }
    // Keeps the rows whose name or folder holds `text`, in any case; every row for an empty one.
    void filter(const QString& text);

    int places() const { return int(places_.size()); }
    // The row at `place`; -1 for a heading.
    int rowAt(int place) const { return places_.at(std::size_t(place)); }
    // The place of `row`; -1 when the filter leaves it out.
    int placeOf(int row) const { return placeOfRow_.at(std::size_t(row)); }
    // Where `row` stands among the rows that show, counted from 1 (0 when the filter leaves it
    // out), and how many rows show: headings are not counted.
    std::pair<int, int> numberOf(int row) const;
    // The place of every row, as placeOf gives them.
    const std::vector<int>& placesOfRows() const { return placeOfRow_; }
    // The text of the heading at `place`.
    QString heading(int place, const LanguageTable& texts) const;
    // The row that is `by` rows after `row` (before it for a negative one), headings skipped:
    // the nearest there is when `by` goes beyond the first or last; -1 when no row shows.
    int rowBeside(int row, int by) const;
    // The first and the last row that show; -1 when none does.
    int firstRow() const;
    int lastRow() const;

private:
    struct Row {
        RowFacts facts;
        std::optional<int> month;
        bool changed = false; // since the last arranging
    };

    // Whether `a` comes before `b`, by the arrangement.
    bool before(int a, int b) const;
    // Whether `a` and `b` belong under one heading.
    bool together(int a, int b) const;
    void layOut();

    std::vector<Row> rows_;
    std::vector<int> changed_;
    Arranging by_ = Arranging::ByFolder;
    QString filter_;
    std::vector<int> sorted_;
    std::vector<int> places_;
    std::vector<int> placeOfRow_;
};

} // namespace tarvex
