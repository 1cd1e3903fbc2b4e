#pragma once

#include "ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "ui/untMain.h"

#include <QAction>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

class QAbstractButton;
class QLineEdit;

namespace tarvex::testing {

// A shown main window whose dialogs are answered by the test.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // The control of the window named `name`; the test fails when there is none.
    template <typename Control> Control* control(const char* name) {
        auto* found = window->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control named " << name;
        return found;
    }
    QAbstractButton* button(const char* name);
    QAction* action(const char* name);
    // Height of the content area below the menu bar.
    int contentHeight() const;

    // Writes `name` into the temporary folder and gives its full path.
    std::string source(const std::string& name, std::size_t size, unsigned seed);
    // Chooses `paths` through the Open button.
    void select(std::vector<std::string> paths);
    void typePassword(const QString& password);
    // Runs `step` the next time window messages run: inside a run after its first file, or
    // inside a modal dialog.
    static void onNextMessages(std::function<void()> step);
    // Runs `step` once the progress label reads `count` ("1/3"): between two files of a run.
    void whenProgressReads(const QString& count, std::function<void()> step);

public:
    TempFolder temp;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> window;
};

} // namespace tarvex::testing
