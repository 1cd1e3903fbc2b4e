#include "viewer/Arrangement.h"

#include "desktop/QtText.h"
#include "texts/Catalogue.h"

#include <algorithm>
#include <numeric>

namespace tarvex {

// The collation of a locale of its own, whatever the process's is: the C locale's compares code
// points, and no numbers.
Arrangement::Arrangement(std::vector<RowFacts> facts) : collator_(QLocale(QLocale::English)) {
    collator_.setNumericMode(true);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
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
    held.nameKey = collator_.sortKey(facts.name);
    held.folderKey = collator_.sortKey(facts.folder);
    held.month = facts.modifiedNs ? std::optional(monthOf(*facts.modifiedNs)) : std::nullopt;
    held.facts = std::move(facts);
}

bool Arrangement::before(int a, int b) const {
    const Row& first = rows_[std::size_t(a)];
    const Row& second = rows_[std::size_t(b)];
    if (by_ == Arranging::ByFolder) {
        // Folders that collate alike but differ stay apart, each under its heading.
        if (const int order = first.folderKey->compare(*second.folderKey); order != 0)
            return order < 0;
        if (first.facts.folder != second.facts.folder)
            return first.facts.folder < second.facts.folder;
    } else {
        // Newest first, those of no time last.
        const auto newest = [](const Row& row) {
            return row.facts.modifiedNs ? *row.facts.modifiedNs : INT64_MIN;
        };
        if (newest(first) != newest(second))
            return newest(first) > newest(second);
    }
    if (const int order = first.nameKey->compare(*second.nameKey); order != 0)
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
    by_ = by;
    std::sort(sorted_.begin(), sorted_.end(), [this](int a, int b) { return before(a, b); });
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
