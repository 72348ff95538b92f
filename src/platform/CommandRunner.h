#pragma once
// Runs a program with an argument vector, never through a shell, so no argument is ever
// re-parsed. Every run has a time limit: a program still running then is ended, so no caller
// ever waits on a hung tool. Tests record the vectors instead of running anything.
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The usual limit for one command: long enough for a Wi-Fi activation, short of a hang.
inline constexpr std::chrono::milliseconds kCommandTimeLimit{30000};

// How much of a program's output a capturing runner keeps; the rest is read and dropped, so a
// talkative program never blocks on a full pipe.
inline constexpr std::size_t kCommandOutputLimit = 64 * 1024;

struct CommandResult {
    int status = -1;     // as Run answers
    std::string output;  // standard output and error as the program wrote them, at most the limit
};

class ICommandRunner {
  public:
    virtual ~ICommandRunner() = default;
    // argv[0] is the program, looked up on PATH. Waits at most `limit`; a program still
    // running then is ended. The exit status, or -1 when the program could not be started, did
    // not exit normally, ran over its limit or was cancelled.
    virtual int Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) = 0;
    // Run, also keeping what the program printed, for callers whose program reports success in
    // its output (a tool that exits 0 whatever happened). Runners that do not capture give an
    // empty output.
    virtual CommandResult RunCapturing(const std::vector<std::string>& argv,
                                       std::chrono::milliseconds limit) {
        return {Run(argv, limit), {}};
    }
    // From any thread: ends the programs running now, and makes every Run return -1 at once
    // without starting anything until Resume.
    virtual void Cancel() = 0;
    virtual void Resume() = 0;
};

// This platform's runner (PosixCommandRunner on Linux, Win32CommandRunner on Windows).
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

// CreateProcessW without a console window and never through cmd.exe, each program in a job
// object of its own so that ending it on time-out or Cancel also ends whatever it started.
// Standard output and error are captured through a pipe; the program inherits that pipe and a
// null input, and no other handle of this process.
class Win32CommandRunner : public ICommandRunner {
  public:
    // argv[0] is found as CreateProcessW finds a program: an absolute path as it is, otherwise
    // the program's folder, the system folders and PATH, ".exe" added when missing.
    int Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) override;
    CommandResult RunCapturing(const std::vector<std::string>& argv,
                               std::chrono::milliseconds limit) override;
    // A whole command line as it stands, for tools that parse their own (netsh). `program` is
    // the program's absolute path; empty lets CreateProcessW take it from the line.
    CommandResult RunCommandLine(const std::string& program, const std::string& commandLine,
                                 std::chrono::milliseconds limit);
    void Cancel() override;
    void Resume() override;

  private:
    std::mutex mutex_;
    bool cancelled_ = false;
    // Counts Cancel calls, so a run can tell that its program was ended by one.
    unsigned cancels_ = 0;
    // The programs running now: job object to process (HANDLEs). Cancel ends both, so a
    // program that could not be put into its job is still ended.
    std::map<void*, void*> running_;
};
