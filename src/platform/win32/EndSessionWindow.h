#pragma once
// A hidden top-level window on a thread of its own, for the end of the user's session: a
// program that loads user32 is sent no console logoff or shutdown event, only the window
// messages. WM_QUERYENDSESSION is answered yes; on WM_ENDSESSION the stop is requested, and the
// answer waits (at most `waitMs`) until the work has stopped, since the process may be ended as
// soon as it returns.
#include <windows.h>

#include <mutex>
#include <thread>

inline constexpr wchar_t kEndSessionWindowClass[] = L"Zr40ToolEndSession";

class EndSessionWindow {
  public:
    // `requested` is set when the session ends; `stopped` is what the answer waits for. Both
    // must outlive this object. Returns at once: the window is made on its thread, as making
    // the first window of a process may take a while (without a desktop it is not made at all,
    // and the session's end goes unheard).
    EndSessionWindow(HANDLE requested, HANDLE stopped, DWORD waitMs);
    // Closes the window and ends its thread.
    ~EndSessionWindow();
    EndSessionWindow(const EndSessionWindow&) = delete;
    EndSessionWindow& operator=(const EndSessionWindow&) = delete;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Loop();

    const HANDLE requested_;
    const HANDLE stopped_;
    const DWORD waitMs_;
    std::mutex mutex_;
    HWND window_ = nullptr;  // once made, until closing
    bool closing_ = false;
    std::thread thread_;
};
