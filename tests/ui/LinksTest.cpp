#include "ui/Links.h"

#include "QtPrinting.h"
#include "support/TempFolder.h"

#include <QDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

// A program folder "bin/" inside a temporary folder, as an installation lays it out.
struct InstalledLayout {
    TempFolder root;
    QString programFolder = QString::fromStdString(root / "bin/");
    InstalledLayout() { std::filesystem::create_directories(root / "bin"); }
};

TEST(Links, ProgramFilesComeFromBesideTheProgramOrFromTheDataFolder) {
    InstalledLayout layout;
    const QString installed = QString::fromStdString(layout.root / "share/tarvex/ehelp.htm");
    EXPECT_EQ(programFile(layout.programFolder, QStringLiteral("ehelp.htm")), installed);

    writeFile(layout.root / "bin/ehelp.htm", {'x'});
    EXPECT_EQ(programFile(layout.programFolder, QStringLiteral("ehelp.htm")),
              layout.programFolder + QStringLiteral("ehelp.htm"));
}

TEST(Links, ShippedSiteIsAFileAddressWithoutATrailingSeparator) {
    InstalledLayout layout;
    const QString installedSite = QString::fromStdString(layout.root / "share/tarvex/site");
    EXPECT_EQ(siteAddress(layout.programFolder, "/kro/ead.htm"),
              QUrl::fromLocalFile(installedSite).toString() + QStringLiteral("/kro/ead.htm"));
}

} // namespace
} // namespace tarvex::testing
