#include "qt/QtUiThread.h"

#include <utility>

void QtUiThread::Post(UiTask task) {
    QMetaObject::invokeMethod(
        this,
        [t = std::move(task)]() {
            if (t) {
                t();
            }
        },
        Qt::QueuedConnection);
}
