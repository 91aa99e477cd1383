// The main of every test binary: a Qt application object (so event loops, timers and queued
// calls work) and private temporary folders for everything the program would write.

#include "Tests/Support/TestEnv.h"

#include <gtest/gtest.h>

#ifdef TOVLIN_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    pellimor::test::TestEnv::setUp();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        TestApp app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    pellimor::test::TestEnv::tearDown();
    return result;
}
