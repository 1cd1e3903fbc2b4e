#include "WindowFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace tarvex::testing {

WindowTest::WindowTest() : window(std::make_unique<TfrmMain>(dialogs)) {
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

WindowTest::~WindowTest() {
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

void WindowTest::whenProgressReads(const QString& count, std::function<void()> step) {
    onNextMessages([this, count, step = std::move(step)]() mutable {
        if (control<QLabel>("lbprogress")->text() == count)
            step();
        else
            whenProgressReads(count, std::move(step));
    });
}

} // namespace tarvex::testing
