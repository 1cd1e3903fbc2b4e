#include "WindowFixture.h"

#include <QTextBrowser>
#include <QTextFrame>
#include <fstream>

namespace tarvex::testing {
namespace {

using Banner = WindowTest;

// A page with a link and far more content than the banner shows.
constexpr auto longPage = R"(<html><body><p><a href="https://example.com/x">a link</a></p>
<table width="2000" height="2000"><tr><td>wide and tall</td></tr></table></body></html>)";

// Whether the banner shows its page flat: no scroll bars, no frame, and nothing around the page.
bool flat(const QTextBrowser& banner) {
    const QTextFrameFormat page = banner.document()->rootFrame()->frameFormat();
    return banner.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
           banner.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
           banner.frameShape() == QFrame::NoFrame && page.border() == 0 && page.margin() == 0;
}

TEST_F(Banner, EveryLoadedPageIsFlattenedAndItsLinksOpenInTheBrowser) {
    auto* banner = control<QTextBrowser>("WebBrowser1");
    EXPECT_TRUE(flat(*banner)) << "the page of the start";

    const std::string page = temp / "long.htm";
    std::ofstream(page) << longPage;
    for (const QUrl& next : {QUrl::fromLocalFile(QString::fromStdString(page)), banner->source()}) {
        banner->setFrameShape(QFrame::Box);
        banner->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        banner->setSource(next);
        EXPECT_TRUE(flat(*banner)) << next.toString().toStdString();
    }

    const QUrl link(QStringLiteral("https://example.com/x"));
    emit banner->anchorClicked(link);
    EXPECT_EQ(dialogs.opened, std::vector<QUrl>{link});
}

} // namespace
} // namespace tarvex::testing
