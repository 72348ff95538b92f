#pragma once
// The UI-thread seam over Qt's event loop: a posted task becomes a queued call on this object,
// which lives on the UI thread, so tasks run there in the order they were posted.
#include <QObject>

#include "foundation/UiThread.h"

class QtUiThread : public QObject, public IUiThread {
    Q_OBJECT
  public:
    explicit QtUiThread(QObject* parent = nullptr) : QObject(parent) {}
    // Safe from any thread.
    void Post(UiTask task) override;
};
