// One QApplication on the offscreen platform for every GUI test, a Qt UI thread behind the
// UI-thread seam, and page logic that misuses a form failing the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "FormMisuseCheck.h"
#include "qt/QtUiThread.h"

int main(int argc, char** argv) {
    // the test list is also read without the test environment
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QtUiThread ui;
    SetUiThread(&ui);
    ::testing::InitGoogleTest(&argc, argv);
    FailTestsOnFormMisuse();
    const int result = RUN_ALL_TESTS();
    SetUiThread(nullptr);
    return result;
}
