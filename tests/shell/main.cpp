// The GUI tests run on a QApplication; without a display they use the
// offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Settings the window keeps (the last folder of its dialogs) go to a
    // test folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setApplicationName(QStringLiteral("movalux-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
