#include "win32/RunningMarker.h"

#include <windows.h>

// A failure leaves the tool unmarked: the installers then see no running copy, as before.
RunningMarker::RunningMarker() : mutex_(::CreateMutexW(nullptr, FALSE, kRunningMarkerName)) {}

void RunningMarker::Closer::operator()(void* handle) const {
    ::CloseHandle(handle);
}
