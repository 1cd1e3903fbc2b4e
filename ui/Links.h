#pragma once

#include <QString>
#include <QUrl>
#include <string_view>

namespace tarvex {

// Where the program finds the files it ships: `programFolder` + `name` when that exists (the
// program runs from its build folder), else the installed data folder + `name`.
QString programFile(const QString& programFolder, const QString& name);

// The root of the web pages that the banner and the menus open, without a separator at its end:
// the address set at build time, or the shipped pages as a file:// address.
QString siteRoot(const QString& programFolder);

// `siteRoot` followed by `page` ("/kro/ead.htm").
QString siteAddress(const QString& programFolder, std::string_view page);

// `page` ("/kro/ead.htm") of the pages shipped with the program, whatever the site root: the
// banner shows the program's own page in a rich-text view, which loads no web address.
QUrl shippedPage(const QString& programFolder, std::string_view page);

} // namespace tarvex
