// The one main of the widget tests: a QApplication on the offscreen platform (unless
// the environment names another one), then every test.

#include <gtest/gtest.h>

#include "appsetup.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    rastrova::app::setUpApplication(app);
    return RUN_ALL_TESTS();
}
