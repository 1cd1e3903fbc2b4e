#include "WindowFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <utility>

namespace tarvex::testing {

WindowTest::WindowTest() : window(std::make_unique<TfrmMain>(dialogs, heldFiles)) {
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

WindowTest::~WindowTest() {
    if (window)
        window->close();
    window.reset();
}

QAbstractButton* WindowTest::button(const char* name) {
    return control<QAbstractButton>(name);
}

QAction* WindowTest::action(const char* name) {
    return control<QAction>(name);
}

int WindowTest::contentHeight() const {
    return window->centralWidget()->height();
}

std::string WindowTest::source(const std::string& name, std::size_t size, unsigned seed) {
    const std::string path = temp / name;
    writeFile(path, patternBytes(size, seed));
    return path;
}

void WindowTest::select(std::vector<std::string> paths) {
    dialogs.script.chooseNextFiles(std::move(paths));
    button("btnopen")->click();
}

void WindowTest::typePassword(const QString& password) {
    auto* entry = control<QLineEdit>("edtEnpass");
    entry->clear();
    QTest::keyClicks(entry, password);
}

void WindowTest::onNextMessages(std::function<void()> step) {
    QMetaObject::invokeMethod(qApp, std::move(step), Qt::QueuedConnection);
}

void WindowTest::atFile(std::string path, std::function<void()> step) {
    heldFiles.holdAt(std::move(path));
    atFileStep_ = std::move(step);
}

void WindowTest::waitForRunEnd() {
    const bool ended = QTest::qWaitFor(
        [this] {
            if (atFileStep_ && heldFiles.holding()) {
                // What the run reported before it was held is shown first.
                QCoreApplication::processEvents();
                std::exchange(atFileStep_, {})();
                heldFiles.release();
            }
            return !window->runGoing();
        },
        60'000);
    EXPECT_TRUE(ended) << "the run did not end";
}

} // namespace tarvex::testing
