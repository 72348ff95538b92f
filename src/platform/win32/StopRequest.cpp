#include "platform/StopRequest.h"

#include <windows.h>

#include <memory>

#include "platform/win32/EndSessionWindow.h"
#include "platform/win32/WideText.h"

using win32text::UniqueHandle;

// A manual-reset event: the console control handler (run by the system on a thread of its own)
// or the end-of-session window sets it, the waiting thread wakes.
struct StopRequest::Impl {
    UniqueHandle requested{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Set once the signals are released: a console being closed or a session ending waits for
    // it, since the process may be ended as soon as the answer returns.
    UniqueHandle released{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::unique_ptr<EndSessionWindow> endSession;
    bool hearSessionEnd = true;
    bool catching = false;
};

namespace {

// The catching object, read by the console handler under this lock. A plain lock with no
// destructor: the handler may still run while the process is ending.
SRWLOCK g_lock = SRWLOCK_INIT;
StopRequest::Impl* g_catching = nullptr;

// The longest a closing console or an ending session waits for the work to stop; the system
// ends the process after about five seconds anyway.
constexpr DWORD kCloseWaitMs = 4500;

// Copies of the catching object's events, so the handler never touches the object itself,
// which may be released and freed while it waits.
bool CopyEvents(UniqueHandle& requested, UniqueHandle& released) {
    ::AcquireSRWLockShared(&g_lock);
    bool copied = false;
    if (g_catching != nullptr) {
        HANDLE self = ::GetCurrentProcess();
        HANDLE r = nullptr;
        HANDLE d = nullptr;
        if (::DuplicateHandle(self, g_catching->requested.Get(), self, &r, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            requested.Reset(r);
        }
        if (::DuplicateHandle(self, g_catching->released.Get(), self, &d, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            released.Reset(d);
        }
        copied = requested && released;
    }
    ::ReleaseSRWLockShared(&g_lock);
    return copied;
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    UniqueHandle requested;
    UniqueHandle released;
    if (!CopyEvents(requested, released)) {
        return FALSE;
    }
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            ::SetEvent(requested.Get());
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            ::SetEvent(requested.Get());
            ::WaitForSingleObject(released.Get(), kCloseWaitMs);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

StopRequest::StopRequest(bool hearSessionEnd) : impl_(std::make_unique<Impl>()) {
    impl_->hearSessionEnd = hearSessionEnd;
}

StopRequest::~StopRequest() {
    ReleaseStopSignals();
}

bool StopRequest::Valid() const {
    return impl_->requested && impl_->released;
}

void StopRequest::CatchStopSignals() {
    if (impl_->catching || !Valid()) {
        return;
    }
    impl_->catching = true;
    ::ResetEvent(impl_->released.Get());
    ::AcquireSRWLockExclusive(&g_lock);
    g_catching = impl_.get();
    ::ReleaseSRWLockExclusive(&g_lock);
    // A window program starts with Ctrl+C ignored; the headless tool it also is must hear it.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    if (impl_->hearSessionEnd) {
        impl_->endSession = std::make_unique<EndSessionWindow>(impl_->requested.Get(),
                                                               impl_->released.Get(), kCloseWaitMs);
    }
}

void StopRequest::ReleaseStopSignals() {
    if (!impl_->catching) {
        return;
    }
    impl_->catching = false;
    ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
    ::AcquireSRWLockExclusive(&g_lock);
    g_catching = nullptr;
    ::ReleaseSRWLockExclusive(&g_lock);
    // A handler or session end already waiting may go on now; then the window is closed.
    ::SetEvent(impl_->released.Get());
    impl_->endSession.reset();
}

void StopRequest::Wait() {
    if (Valid()) {
        ::WaitForSingleObject(impl_->requested.Get(), INFINITE);
    }
}

void StopRequest::Clear() {
    if (Valid()) {
        ::ResetEvent(impl_->requested.Get());
    }
}

void StopRequest::Request() {
    if (Valid()) {
        ::SetEvent(impl_->requested.Get());
    }
}
