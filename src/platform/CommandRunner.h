#pragma once
// Runs a program with an argument vector, never through a shell, so no argument is ever
// re-parsed. Tests record the vectors instead of running anything.
#include <string>
#include <vector>

class ICommandRunner {
  public:
    virtual ~ICommandRunner() = default;
    // argv[0] is the program, looked up on PATH. The exit status, or -1 when the program could
    // not be started or did not exit normally.
    virtual int Run(const std::vector<std::string>& argv) = 0;
};

// posix_spawnp, then waits for the child, so no child is left unreaped.
class PosixCommandRunner : public ICommandRunner {
  public:
    int Run(const std::vector<std::string>& argv) override;
};
