#include "viewer/Arrangement.h"

#include "desktop/QtText.h"
#include "texts/Catalogue.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <utility>

namespace tarvex {

namespace {

bool digit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The end of the run of digits that begins at `at`.
qsizetype digitsEnd(QStringView text, qsizetype at) {
    while (at < text.size() && digit(text[at]))
        ++at;
    return at;
}

// Compares the numbers of two runs of digits, leading zeros aside.
int compareNumbers(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == u'0')
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

int naturalCompare(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            const qsizetype endA = digitsEnd(a, i);
            const qsizetype endB = digitsEnd(b, j);
            if (const int order = compareNumbers(a.sliced(i, endA - i), b.sliced(j, endB - j)))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const QChar x = a[i].toCaseFolded();
        const QChar y = b[j].toCaseFolded();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j ? -1 : 1;
    return a.compare(b);
}

Arrangement::Arrangement(std::vector<RowFacts> facts) {
    rows_.resize(facts.size());
    for (std::size_t row = 0; row < facts.size(); ++row)
        setFacts(int(row), std::move(facts[row]));
    sorted_.resize(rows_.size());
    std::iota(sorted_.begin(), sorted_.end(), 0);
    placeOfRow_.assign(rows_.size(), -1);
    arrange(by_);
}

void Arrangement::setFacts(int row, RowFacts facts) {
    Row& held = rows_.at(std::size_t(row));
    held.month = facts.modifiedNs ? std::optional(monthOf(*facts.modifiedNs)) : std::nullopt;
    held.facts = std::move(facts);
    if (!std::exchange(held.changed, true))
        changed_.push_back(row);
}

bool Arrangement::before(int a, int b) const {
    const RowFacts& first = rows_[std::size_t(a)].facts;
    const RowFacts& second = rows_[std::size_t(b)].facts;
    // Most rows share their folder with many: equal folders are told apart at once.
    if (by_ == Arranging::ByFolder && first.folder != second.folder)
        return naturalCompare(first.folder, second.folder) < 0;
    if (by_ == Arranging::ByTime) {
        // Newest first, those of no time last.
        const auto newest = [](const RowFacts& row) { return row.modifiedNs.value_or(INT64_MIN); };
        if (newest(first) != newest(second))
            return newest(first) > newest(second);
    }
    if (const int order = naturalCompare(first.name, second.name); order != 0)
        return order < 0;
    return a < b;
}

bool Arrangement::together(int a, int b) const {
    const Row& first = rows_[std::size_t(a)];
    const Row& second = rows_[std::size_t(b)];
    return by_ == Arranging::ByFolder ? first.facts.folder == second.facts.folder
                                      : first.month == second.month;
}

void Arrangement::arrange(Arranging by) {
    const auto order = [this](int a, int b) { return before(a, b); };
    if (by != by_) {
        by_ = by;
        std::sort(sorted_.begin(), sorted_.end(), order);
    } else {
        // The rows that kept their facts keep their order: the changed ones are merged in.
        std::erase_if(sorted_, [this](int row) { return rows_[std::size_t(row)].changed; });
        std::sort(changed_.begin(), changed_.end(), order);
        std::vector<int> merged;
        merged.reserve(rows_.size());
        std::merge(sorted_.begin(), sorted_.end(), changed_.begin(), changed_.end(),
                   std::back_inserter(merged), order);
        sorted_ = std::move(merged);
    }
    for (const int row : changed_)
        rows_[std::size_t(row)].changed = false;
    changed_.clear();
    layOut();
}

void Arrangement::filter(const QString& text) {
    filter_ = text;
    layOut();
}

void Arrangement::layOut() {
    places_.clear();
    std::fill(placeOfRow_.begin(), placeOfRow_.end(), -1);
    int previous = -1;
    for (const int row : sorted_) {
        const RowFacts& facts = rows_[std::size_t(row)].facts;
        if (!filter_.isEmpty() && !facts.name.contains(filter_, Qt::CaseInsensitive) &&
            !facts.folder.contains(filter_, Qt::CaseInsensitive))
            continue;
        if (previous < 0 || !together(previous, row))
            places_.push_back(-1);
        placeOfRow_[std::size_t(row)] = int(places_.size());
        places_.push_back(row);
        previous = row;
    }
}

std::pair<int, int> Arrangement::numberOf(int row) const {
    const int place = placeOf(row);
    int number = 0;
    int shown = 0;
    for (int at = 0; at < places(); ++at) {
        if (rowAt(at) >= 0) {
            ++shown;
            number = at <= place ? shown : number;
        }
    }
    return {number, shown};
}

QString Arrangement::heading(int place, const LanguageTable& texts) const {
    // A heading is followed by the first row of its group.
    const Row& first = rows_.at(std::size_t(places_.at(std::size_t(place) + 1)));
    if (by_ == Arranging::ByFolder)
        return wordedFolder(first.facts.folder, texts);
    return first.month ? wordedMonth(*first.month, texts) : qtText(texts.viewerNoTime);
}

int Arrangement::rowBeside(int row, int by) const {
    const int from = placeOf(row);
    if (from < 0)
        return firstRow();
    int found = row;
    const int step = by < 0 ? -1 : 1;
    for (int place = from + step, left = std::abs(by); left > 0 && place >= 0 && place < places();
         place += step) {
        if (places_[std::size_t(place)] >= 0) {
            found = places_[std::size_t(place)];
            --left;
        }
    }
    return found;
}

int Arrangement::firstRow() const {
    return places_.size() < 2 ? -1 : places_[1];
}

int Arrangement::lastRow() const {
    return places_.empty() ? -1 : places_.back();
}

} // namespace tarvex
