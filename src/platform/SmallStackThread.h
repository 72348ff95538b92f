#pragma once
// A joinable thread with a chosen stack size (std::thread cannot set one), made with POSIX
// threads on both platforms (mingw's winpthreads on Windows). Not _beginthreadex on Windows: the
// runtime cleans up after threads it did not make under a lock when they end, and that can leave
// the lock held so the process hangs in exit. There the size is the stack's first commit and its
// reservation stays the program's default, which costs address space only.
#include <pthread.h>

#include <cstddef>
#include <memory>
#include <utility>

class SmallStackThread {
  public:
    static constexpr std::size_t kDefaultStackBytes = 256 * 1024;

    SmallStackThread() = default;
    ~SmallStackThread() { Join(); }
    SmallStackThread(SmallStackThread&& o) noexcept
        : thread_(o.thread_), joinable_(std::exchange(o.joinable_, false)) {}
    SmallStackThread& operator=(SmallStackThread&& o) noexcept {
        if (this != &o) {
            Join();
            thread_ = o.thread_;
            joinable_ = std::exchange(o.joinable_, false);
        }
        return *this;
    }
    SmallStackThread(const SmallStackThread&) = delete;
    SmallStackThread& operator=(const SmallStackThread&) = delete;

    // Runs body on a new thread. False (body destroyed unrun) when the thread cannot be made.
    template <typename Body>
    bool Start(Body body, std::size_t stackBytes = kDefaultStackBytes) {
        Join();
        auto task = std::make_unique<Task<Body>>(std::move(body));
        if (!Launch(task.get(), stackBytes)) {
            return false;
        }
        task.release();  // the new thread owns it now
        return true;
    }

    void Join();
    bool Joinable() const { return joinable_; }

  private:
    struct TaskBase {
        virtual ~TaskBase() = default;
        virtual void Run() = 0;
    };
    template <typename Body>
    struct Task final : TaskBase {
        explicit Task(Body b) : body(std::move(b)) {}
        void Run() override { body(); }
        Body body;
    };

    bool Launch(TaskBase* task, std::size_t stackBytes);
    static void* Trampoline(void* arg);

    pthread_t thread_{};
    bool joinable_ = false;
};
