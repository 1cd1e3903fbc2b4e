#include <QGuiApplication>
#include <gtest/gtest.h>

// One application for every test, on the offscreen platform: nothing here shows a window.
int main(int argc, char* argv[]) {
    // The test runner lists the tests without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
