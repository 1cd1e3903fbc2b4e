#include "viewer/RowFacts.h"

#include "desktop/QtText.h"
#include "texts/Catalogue.h"

#include <QDateTime>
#include <QStringList>

namespace tarvex {

namespace {

// The folder of `path` below `viewed`, without the "/" at its end.
QString folderBelow(const std::string& path, const std::string& viewed) {
    std::string folder = folderPart(path);
    if (folder.starts_with(viewed))
        folder.erase(0, viewed.size());
    if (folder.ends_with('/'))
        folder.pop_back();
    return shownText(folder);
}

QDateTime localTime(std::int64_t modifiedNs) {
    return QDateTime::fromMSecsSinceEpoch(modifiedNs / 1'000'000);
}

} // namespace

RowFacts factsOfPath(const std::string& path, const std::string& viewed) {
    return {.name = shownText(namePart(path)),
            .folder = folderBelow(path, viewed),
            .modifiedNs = std::nullopt,
            .size = std::nullopt};
}

RowFacts factsOf(const std::string& path, const std::string& viewed, const RecordRead& read) {
    RowFacts facts = factsOfPath(path, viewed);
    if (read.outcome.kind != FileOutcome::Kind::Done)
        return facts;
    if (!read.record) {
        facts.modifiedNs = read.fileModifiedNs;
        facts.size = read.fileSize;
        return facts;
    }
    const std::string& recorded = read.record->path;
    facts.name = shownText(namePart(recorded));
    if (recorded.find('/') != std::string::npos)
        facts.folder = folderBelow(recorded, "");
    facts.modifiedNs = read.record->modifiedNs;
    facts.size = read.record->size;
    return facts;
}

int monthOf(std::int64_t modifiedNs) {
    const QDate date = localTime(modifiedNs).date();
    return date.year() * 12 + date.month() - 1;
}

QString wordedMonth(int month, const LanguageTable& texts) {
    const QDate first(month / 12, month % 12 + 1, 1);
    return first.toString(qtText(texts.viewerMonthForm));
}

QString wordedTime(std::int64_t modifiedNs, const LanguageTable& texts) {
    return localTime(modifiedNs).toString(qtText(texts.viewerTimeForm));
}

QString wordedSize(std::uint64_t bytes, const LanguageTable& texts) {
    if (bytes < 1000)
        return qtText(filledIn(texts.viewerBytes, {std::to_string(bytes)}));
    double amount = double(bytes) / 1000;
    std::string_view unit = texts.viewerKilobytes;
    for (const std::string_view larger : {texts.viewerMegabytes, texts.viewerGigabytes}) {
        if (amount < 999.95)
            break;
        amount /= 1000;
        unit = larger;
    }
    return qtText(filledIn(unit, {QString::number(amount, 'f', 1).toStdString()}));
}

QString wordedFolder(const QString& folder, const LanguageTable& texts) {
    return folder.isEmpty() ? qtText(texts.viewerTopFolder) : folder;
}

QString wordedFacts(const QString& label, const RowFacts& facts, const LanguageTable& texts) {
    QStringList parts{label, wordedFolder(facts.folder, texts)};
    parts << (facts.modifiedNs ? wordedTime(*facts.modifiedNs, texts) : qtText(texts.viewerNoTime));
    if (facts.size)
        parts << wordedSize(*facts.size, texts);
    return parts.join(qtText(texts.viewerFactsApart));
}

} // namespace tarvex
