#include "platform/SmallStackThread.h"

#include <process.h>
#include <windows.h>

bool SmallStackThread::Launch(TaskBase* task, std::size_t stackBytes) {
    // Without the flag the size is only the first commit and every thread reserves the
    // program's default stack; with it, the size is what the thread's stack can grow to.
    const std::uintptr_t handle =
        ::_beginthreadex(nullptr, static_cast<unsigned>(stackBytes), &SmallStackThread::Trampoline,
                         task, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    thread_ = reinterpret_cast<void*>(handle);
    joinable_ = handle != 0;
    return joinable_;
}

unsigned __stdcall SmallStackThread::Trampoline(void* arg) {
    std::unique_ptr<TaskBase> task(static_cast<TaskBase*>(arg));
    task->Run();
    return 0;
}

void SmallStackThread::Join() {
    if (joinable_) {
        ::WaitForSingleObject(static_cast<HANDLE>(thread_), INFINITE);
        ::CloseHandle(static_cast<HANDLE>(thread_));
        joinable_ = false;
    }
}
