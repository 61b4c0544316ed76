#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Widget tests need an application object before the first widget exists.
// Without a display they run on Qt's offscreen platform, which is also what
// lets test discovery run at build time. The windows' settings and the
// user's own parts go to folders of the tests' own, never to the user's.
int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const QTemporaryDir config;
    if (!config.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QTemporaryDir data;
    if (!data.isValid()) return 1;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    return RUN_ALL_TESTS();
}
