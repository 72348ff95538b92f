#include "platform/ThreadId.h"

#include <windows.h>

int CurrentThreadId() {
    return static_cast<int>(::GetCurrentThreadId());
}
