#pragma once
// The PC's hosted Wi-Fi network for the monitors: stop it, configure SSID and key, start it,
// find the connection name of the adapter it runs on, and give that adapter a fixed address.
// Each step says whether its command did its work (by exit status and, where the tool reports
// in words, by what it printed), and names the command that did not, so the page shows the
// access point as started only when every step succeeded. The steps block their caller (at
// most for their time limits), so the page runs them off the user-interface thread.
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

// What FindVirtualAdapterName answers when there is not exactly one candidate.
inline constexpr char kNoVirtualAdapter[] = "NONE";

struct VirtualAdapterLookup {
    std::string name = kNoVirtualAdapter;
    // Candidates whose settings could not be opened at all (the page shows a message for each).
    int unopened = 0;
};

using Ipv4Octets = std::array<std::uint8_t, 4>;

// What one step did.
struct HostedNetworkResult {
    bool ok = true;
    // The command that failed, as the user may see it: the key is replaced by asterisks.
    std::string failedCommand;

    static HostedNetworkResult Failed(std::string command) { return {false, std::move(command)}; }
};

// Stands for the key in a command shown to the user or written to a log.
inline constexpr char kHiddenKey[] = "********";

// Pauses after each step: the commands run as separate processes and these are their only
// ordering. Tests pass zeros.
struct HostedNetworkPauses {
    std::chrono::milliseconds stop{50};
    std::chrono::milliseconds configure{1000};
    std::chrono::milliseconds start{1000};
    std::chrono::milliseconds configureIp{1000};

    static HostedNetworkPauses None() {
        HostedNetworkPauses p;
        p.stop = p.configure = p.start = p.configureIp = std::chrono::milliseconds(0);
        return p;
    }
};

// How long a step may take before its command is ended and the step counts as failed. Stopping
// has a short limit of its own: the window waits for it when it closes.
struct HostedNetworkLimits {
    std::chrono::milliseconds command{30000};
    std::chrono::milliseconds stop{3000};
};

// Sleeps for the pause (nothing for zero or less).
void HostedNetworkPause(std::chrono::milliseconds pause);

// Text that can go into a command as one argument: not empty, and no control character (C0,
// DEL, C1) that would corrupt it. Spaces are legal in SSIDs and passphrases: commands get them
// as separate arguments or quoted.
bool IsSafeHostedNetworkText(const std::string& text);

class HostedNetwork {
  public:
    virtual ~HostedNetwork() = default;

    // Whether an SSID or key can be passed to this platform's commands as it is.
    virtual bool IsSafeText(const std::string& text) const { return IsSafeHostedNetworkText(text); }

    // From any thread: ends the step running now and makes further steps fail at once (they
    // run nothing) until ResumeCommands. Lets a closing window leave a Start that hangs.
    virtual void CancelCommands() {}
    virtual void ResumeCommands() {}

    // Fails also when no hosted network was running.
    virtual HostedNetworkResult Stop() = 0;
    // Both texts must pass IsSafeText; an implementation runs nothing otherwise (and fails).
    virtual HostedNetworkResult Configure(const std::string& ssid, const std::string& key) = 0;
    virtual HostedNetworkResult Start() = 0;
    virtual VirtualAdapterLookup FindVirtualAdapterName() = 0;
    // Static a.b.c.d/24 with gateway a.b.c.1 on the named connection.
    virtual HostedNetworkResult ConfigureIp(const std::string& connectionName,
                                            const Ipv4Octets& address) = 0;

    // The program and the ports it listens on ("5510-5526,5590,5595,9500"), for the platform
    // that must also let the monitors through its firewall on the new network; unset: it lets
    // nothing through.
    virtual void SetMonitorRule(const std::string& /*program*/, const std::string& /*ports*/) {}
};

// The process-wide implementation: netsh on Windows, NetworkManager on Linux.
HostedNetwork& GetHostedNetwork();
