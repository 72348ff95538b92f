#pragma once
// The UI-thread seam over the Win32 message queue: a message-only window on the UI thread
// receives one posted message per task and runs the tasks in the order they were posted.
// Create and destroy it on the UI thread; Post is safe from any thread. Tasks posted after it
// is gone are dropped.

#include "win32/Win32Api.h"

#include <deque>
#include <mutex>

#include "foundation/UiThread.h"

class Win32UiThread : public IUiThread {
  public:
    static constexpr UINT kRunTask = WM_APP + 0x40;

    Win32UiThread();
    ~Win32UiThread() override;
    Win32UiThread(const Win32UiThread&) = delete;
    Win32UiThread& operator=(const Win32UiThread&) = delete;

    void Post(UiTask task) override;
    HWND Handle() const { return window_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunOne();

    HWND window_ = nullptr;
    std::mutex mutex_;
    std::deque<UiTask> tasks_;  // under mutex_
    bool open_ = false;         // under mutex_
};
