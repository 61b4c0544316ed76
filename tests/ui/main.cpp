#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need an application object before the first widget exists.
// Without a display they run on Qt's offscreen platform, which is also what
// lets test discovery run at build time.
int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
