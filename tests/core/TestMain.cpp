// The core tests' entry point: a QCoreApplication exists, so the program's
// folder (and the Script/ and Templates/ beside it) is found the way the
// CLI finds it, with or without WENDLOCK_APP_DIR and outside ctest too.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
