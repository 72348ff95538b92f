#include "platform/CommandRunner.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// When the kernel offers no process descriptor, the wait looks again this often.
constexpr std::chrono::milliseconds kPollStep{10};

// A descriptor that becomes readable when the child exits; -1 when the kernel has none.
int OpenProcessFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// True once the child has exited; it stays a zombie (unreaped) so its id is not reused.
bool HasExited(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

// Waits until the child exits or the deadline passes; true when it exited.
bool WaitForExit(pid_t pid, Clock::time_point deadline) {
    const int pidfd = OpenProcessFd(pid);
    bool exited = false;
    while (!(exited = HasExited(pid))) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        } else {
            std::this_thread::sleep_for(std::min(left, kPollStep));
        }
    }
    if (pidfd >= 0) {
        ::close(pidfd);
    }
    return exited;
}

}  // namespace

int PosixCommandRunner::Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    if (argv.empty() || argv[0].empty()) {
        return -1;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) {
        return -1;
    }
    // A group of its own, so ending the command also ends whatever it started.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = -1;
    {
        // Started under the lock, so a Cancel either refuses it or sees it running.
        std::lock_guard<std::mutex> lock(mutex_);
        const bool started =
            !cancelled_ && posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ) == 0;
        posix_spawnattr_destroy(&attr);
        if (!started) {
            return -1;
        }
        running_.insert(pid);
    }

    const bool exited = WaitForExit(pid, Clock::now() + limit);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exited) {
            ::kill(-pid, SIGKILL);
        }
        running_.erase(pid);
    }
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (!exited || waited != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void PosixCommandRunner::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    for (int pid : running_) {
        ::kill(-pid, SIGKILL);
    }
}

void PosixCommandRunner::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = false;
}

std::unique_ptr<ICommandRunner> MakeSystemCommandRunner() {
    return std::make_unique<PosixCommandRunner>();
}
