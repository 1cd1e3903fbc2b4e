#include "ui/Links.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tarvex {

QString programFile(const QString& programFolder, const QString& name) {
    const QString besideProgram = programFolder + name;
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    return QDir::cleanPath(programFolder + QStringLiteral(TARVEX_DATA_FROM_PROGRAM "/") + name);
}

namespace {

QString shippedSite(const QString& programFolder) {
    return programFile(programFolder, QStringLiteral("site"));
}

QString pageText(std::string_view page) {
    return QString::fromUtf8(page.data(), qsizetype(page.size()));
}

} // namespace

QString siteRoot(const QString& programFolder) {
    const QString configured = QStringLiteral(TARVEX_SITE_ROOT);
    if (!configured.isEmpty())
        return configured.endsWith(QLatin1Char('/')) ? configured.chopped(1) : configured;
    return QUrl::fromLocalFile(shippedSite(programFolder)).toString();
}

QString siteAddress(const QString& programFolder, std::string_view page) {
    return siteRoot(programFolder) + pageText(page);
}

QUrl shippedPage(const QString& programFolder, std::string_view page) {
    return QUrl::fromLocalFile(shippedSite(programFolder) + pageText(page));
}

} // namespace tarvex
