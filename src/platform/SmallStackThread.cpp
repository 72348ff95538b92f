#include "platform/SmallStackThread.h"

#include <limits.h>

bool SmallStackThread::Launch(TaskBase* task, std::size_t stackBytes) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        return false;
    }
#ifdef PTHREAD_STACK_MIN
    if (stackBytes < static_cast<std::size_t>(PTHREAD_STACK_MIN)) {
        stackBytes = PTHREAD_STACK_MIN;
    }
#endif
    bool ok = pthread_attr_setstacksize(&attr, stackBytes) == 0 &&
              pthread_create(&thread_, &attr, &SmallStackThread::Trampoline, task) == 0;
    pthread_attr_destroy(&attr);
    joinable_ = ok;
    return ok;
}

void* SmallStackThread::Trampoline(void* arg) {
    std::unique_ptr<TaskBase> task(static_cast<TaskBase*>(arg));
    task->Run();
    return nullptr;
}

void SmallStackThread::Join() {
    if (joinable_) {
        pthread_join(thread_, nullptr);
        joinable_ = false;
    }
}
