// One QApplication on the offscreen platform for every GUI test, and a Qt UI thread behind the
// UI-thread seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "qt/QtUiThread.h"

int main(int argc, char** argv) {
    // the test list is also read without the test environment
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QtUiThread ui;
    SetUiThread(&ui);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    SetUiThread(nullptr);
    return result;
}
