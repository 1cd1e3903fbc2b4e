#pragma once

#include "HeldFiles.h"
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

// A shown main window whose dialogs are answered by the test, its runs over files that the test
// can hold a run at.
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
    // Runs `step` the next time window messages run: inside a modal dialog.
    static void onNextMessages(std::function<void()> step);
    // The next run is held as it begins to read `path`, the window showing what the run has
    // reported until then: `step` runs on the window's thread, and the run goes on after it.
    void atFile(std::string path, std::function<void()> step);
    // Lets the window's messages run until the run in hand has ended and the window has shown
    // its end, doing the step of `atFile` on the way.
    void waitForRunEnd();

public:
    TempFolder temp;
    ScriptedDialogs dialogs;
    HeldFiles heldFiles;
    std::unique_ptr<TfrmMain> window;

private:
    std::function<void()> atFileStep_;
};

} // namespace tarvex::testing
