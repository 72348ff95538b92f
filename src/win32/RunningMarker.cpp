#include "win32/RunningMarker.h"

#include <windows.h>

// A failure leaves the tool unmarked: the installers then see no running copy, as before.
RunningMarker::RunningMarker() : mutex_(::CreateMutexW(nullptr, FALSE, kRunningMarkerName)) {}

bool RunningMarker::HeldElsewhere() {
    const HANDLE held = ::OpenMutexW(SYNCHRONIZE, FALSE, kRunningMarkerName);
    if (held == nullptr) {
        return false;
    }
    ::CloseHandle(held);
    return true;
}

void RunningMarker::Closer::operator()(void* handle) const {
    ::CloseHandle(handle);
}
