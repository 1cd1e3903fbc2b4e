#include "WindowFixture.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <fstream>

namespace tarvex::testing {
namespace {

using Banner = WindowTest;

// A page with a border and far more content than the banner shows.
constexpr auto framedPage = R"(<html><body style="border: 4px solid red; margin: 0">
<div style="width: 2000px; height: 2000px">wide and tall</div></body></html>)";

// Whether the page body has no border and neither the document nor the body scrolls.
QString flatness(QWebEngineView* view) {
    QString result;
    view->page()->runJavaScript(
        QStringLiteral("[getComputedStyle(document.body).borderTopStyle,"
                       " getComputedStyle(document.documentElement).overflow,"
                       " getComputedStyle(document.body).overflow, document.body.scroll].join()"),
        [&result](const QVariant& value) { result = value.toString(); });
    EXPECT_TRUE(QTest::qWaitFor([&result] { return !result.isEmpty(); }, 20000));
    return result;
}

TEST_F(Banner, EveryLoadedPageIsFlattened) {
    auto* view = control<QWebEngineView>("WebBrowser1");
    QSignalSpy loads(view, &QWebEngineView::loadFinished);
    // The banner page of the start.
    ASSERT_TRUE(QTest::qWaitFor([&loads] { return loads.count() >= 1; }, 60000));
    EXPECT_EQ(flatness(view), QStringLiteral("none,hidden,hidden,no"));

    const std::string page = temp / "framed.htm";
    std::ofstream(page) << framedPage;
    for (int load = 0; load < 2; ++load) {
        const auto before = loads.count();
        view->setUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return loads.count() > before; }, 60000));
        EXPECT_EQ(flatness(view), QStringLiteral("none,hidden,hidden,no")) << "load " << load;
    }
}

} // namespace
} // namespace tarvex::testing
