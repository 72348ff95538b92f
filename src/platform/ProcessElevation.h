#pragma once
// Whether this process may run the access point's commands, and starting this program again
// with administrator rights when it may not. On Windows the hosted network's netsh steps need an
// elevated process (the token's elevation); the program itself is marked to run as the invoker,
// since it parses input from the network and should not always hold those rights. On Linux
// NetworkManager decides by its own policy, so the process always may start.
#include <functional>

class IProcessElevation {
  public:
    virtual ~IProcessElevation() = default;
    // True when the access point's commands can work in this process.
    virtual bool MayStartAccessPoint() = 0;
    // Starts this program anew with administrator rights and the same arguments (the system asks
    // the user to agree). True when the new copy started; this copy then closes its window.
    virtual bool RestartElevated() = 0;
};

// What a front end does around an elevated restart: `before` gives up what the new copy needs
// (the instance lock), `after` closes the window when the new copy started, or takes back what
// was given up when it did not. Either may be empty.
struct ElevatedRestartHooks {
    std::function<void()> before;
    std::function<void(bool started)> after;
};

// The process's elevation; its restart runs the hooks installed here.
IProcessElevation& GetProcessElevation();
void SetElevatedRestartHooks(ElevatedRestartHooks hooks);

// Platform part: whether the process token is elevated (Linux: true), and starting this
// program elevated with the same arguments (Linux: false, nothing started).
bool ProcessTokenElevated();
bool StartThisProgramElevated();
