#pragma once
// Runs a program with an argument vector, never through a shell, so no argument is ever
// re-parsed. Every run has a time limit: a program still running then is ended, so no caller
// ever waits on a hung tool. Tests record the vectors instead of running anything.
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The usual limit for one command: long enough for a Wi-Fi activation, short of a hang.
inline constexpr std::chrono::milliseconds kCommandTimeLimit{30000};

class ICommandRunner {
  public:
    virtual ~ICommandRunner() = default;
    // argv[0] is the program, looked up on PATH. Waits at most `limit`; a program still
    // running then is ended. The exit status, or -1 when the program could not be started, did
    // not exit normally, ran over its limit or was cancelled.
    virtual int Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) = 0;
    // From any thread: ends the programs running now, and makes every Run return -1 at once
    // without starting anything until Resume.
    virtual void Cancel() = 0;
    virtual void Resume() = 0;
};

// This platform's runner (posix_spawnp on Linux, CreateProcessW on Windows).
std::unique_ptr<ICommandRunner> MakeSystemCommandRunner();

// posix_spawnp into a process group of its own, then waits for the child with the limit; on
// time-out or Cancel the whole group is killed. The child is always reaped before Run returns.
class PosixCommandRunner : public ICommandRunner {
  public:
    int Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) override;
    void Cancel() override;
    void Resume() override;

  private:
    std::mutex mutex_;
    bool cancelled_ = false;
    // Children started and not yet reaped: their ids cannot be reused, so killing them is safe.
    std::set<int> running_;
};
