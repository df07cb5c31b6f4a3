#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Image plugins (TIFF, ...) are found through the application object.
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
