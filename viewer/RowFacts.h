#pragma once

#include "batch/Viewing.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex {

struct LanguageTable;

// What the viewer knows of a row's picture, to arrange it and to say what it is: its name and
// folder as shown (escaped as shownText does), its time and its size when they are known.
struct RowFacts {
    QString name;
    // Its folders apart by "/", empty for the folder viewed itself.
    QString folder;
    std::optional<std::int64_t> modifiedNs;
    std::optional<std::uint64_t> size;
};

// What the row of the file `path` is known by before anything of it is read: its name, and its
// folder below `viewed` (the viewer's folder, ending in "/").
RowFacts factsOfPath(const std::string& path, const std::string& viewed);
// What the row of the file `path` is known by once `read` came: the path, time and size that its
// container records, its own folder for a record without folders (below `viewed`), and its own
// time and size for a file that records nothing.
RowFacts factsOf(const std::string& path, const std::string& viewed, const RecordRead& read);

// The month that `modifiedNs` falls in, in the local time, as year * 12 + month - 1.
int monthOf(std::int64_t modifiedNs);
// The heading of the month `month` (as monthOf gives it): "March 2024".
QString wordedMonth(int month, const LanguageTable& texts);
// A time as the status bar shows it: "12 Mar 2024 14:02".
QString wordedTime(std::int64_t modifiedNs, const LanguageTable& texts);
// A size in bytes, kB, MB or GB: "3.1 MB".
QString wordedSize(std::uint64_t bytes, const LanguageTable& texts);
// The heading of the folder `folder`: itself, or the words of the top folder.
QString wordedFolder(const QString& folder, const LanguageTable& texts);
// What the status bar says of a picture shown as `label`: its name, folder, time and size, as
// far as they are known.
QString wordedFacts(const QString& label, const RowFacts& facts, const LanguageTable& texts);

} // namespace tarvex
