#include "platform/StopRequest.h"

#include <windows.h>

#include <atomic>

// A manual-reset event: the console control handler (run by the system on a thread of its own)
// sets it, the waiting thread wakes.
struct StopRequest::Impl {
    HANDLE requested = nullptr;
    // Set once the signals are released: a console being closed waits for it, since the
    // process is ended as soon as the handler returns.
    HANDLE released = nullptr;
    bool catching = false;
};

namespace {

std::atomic<StopRequest::Impl*> g_catching{nullptr};

// The longest a closing console waits for the work to stop; the system ends the process after
// about five seconds anyway.
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI OnConsoleControl(DWORD type) {
    StopRequest::Impl* impl = g_catching.load();
    if (impl == nullptr) {
        return FALSE;
    }
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            SetEvent(impl->requested);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            SetEvent(impl->requested);
            WaitForSingleObject(impl->released, kCloseWaitMs);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

StopRequest::StopRequest() : impl_(std::make_unique<Impl>()) {
    impl_->requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    impl_->released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

StopRequest::~StopRequest() {
    ReleaseStopSignals();
    for (HANDLE* h : {&impl_->requested, &impl_->released}) {
        if (*h != nullptr) {
            CloseHandle(*h);
            *h = nullptr;
        }
    }
}

bool StopRequest::Valid() const {
    return impl_->requested != nullptr && impl_->released != nullptr;
}

void StopRequest::CatchStopSignals() {
    if (impl_->catching || !Valid()) {
        return;
    }
    impl_->catching = true;
    ResetEvent(impl_->released);
    g_catching.store(impl_.get());
    // A window program starts with Ctrl+C ignored; the headless tool it also is must hear it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

void StopRequest::ReleaseStopSignals() {
    if (!impl_->catching) {
        return;
    }
    impl_->catching = false;
    SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
    g_catching.store(nullptr);
    // A handler already running for a closing console may go on now.
    SetEvent(impl_->released);
}

void StopRequest::Wait() {
    if (Valid()) {
        WaitForSingleObject(impl_->requested, INFINITE);
    }
}

void StopRequest::Clear() {
    if (Valid()) {
        ResetEvent(impl_->requested);
    }
}

void StopRequest::Request() {
    if (Valid()) {
        SetEvent(impl_->requested);
    }
}
