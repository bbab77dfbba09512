#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for every widget test of an executable, on the offscreen platform.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
