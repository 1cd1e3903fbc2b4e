#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for every test of the program; windows are closed by each test.
int main(int argc, char* argv[]) {
    // The test runner lists the tests without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
