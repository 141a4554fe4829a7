// The main of the integration tests: a QCoreApplication, as the programs have,
// so that the serial port's notifiers have their thread.

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
