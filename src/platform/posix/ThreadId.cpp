#include "platform/ThreadId.h"

#include <sys/syscall.h>
#include <unistd.h>

int CurrentThreadId() {
    return static_cast<int>(::syscall(SYS_gettid));
}
