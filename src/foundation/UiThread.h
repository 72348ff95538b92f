#pragma once
// The user-interface thread seam. Other threads reach the user interface only by posting
// tasks here; tasks run on the UI thread in the order they were posted.
#include <functional>

using UiTask = std::function<void()>;

class IUiThread {
  public:
    virtual ~IUiThread() = default;
    virtual void Post(UiTask task) = 0;
};

// The process-wide UI thread (not owned). With none installed, posted tasks are dropped.
void SetUiThread(IUiThread* uiThread);
IUiThread* GetUiThread();
// Posts to the installed UI thread; returns false when none is installed.
bool PostToUiThread(UiTask task);
