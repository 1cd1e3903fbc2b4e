#include "ui/WebEngineStart.h"

#include <QApplication>
#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// Chromium inside Qt WebEngine frees some of its own objects with a sized delete of another
// type; AddressSanitizer's check for that would stop every test that loads a page. Every other
// check stays on, and the project's code is checked for this too by its other test programs.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
#endif

// One QApplication for every test of the program; windows are closed by each test.
int main(int argc, char* argv[]) {
    // The test runner lists the tests without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tarvex::prepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
