#pragma once
// The hosted network on Windows: netsh command lines, and the virtual adapter's connection name
// from the adapter list and the registry's network class key. The operating-system calls sit
// behind the small interfaces below, so the logic builds and is tested on every platform.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"
#include "platform/HostedNetwork.h"

namespace NetshCommand {
std::string StopAP();
// SSID and key go in as they are, or between double quotes when they hold a space; callers
// pass only texts NetshHostedNetwork::IsSafeText accepts.
std::string ConfigAP(const std::string& ssid, const std::string& key);
std::string StartAP();
// ... set address "<name>" static a.b.c.d 255.255.255.0 a.b.c.1 1
std::string ConfigIP(const std::string& connectionName, const Ipv4Octets& address);
// Windows classes the access point's network as public (its gateway answers nothing), where
// the installers' rule for private and domain networks does not reach: a rule of its own admits
// the monitors there, for that network alone (the address and its /24), the program and its
// ports. It is replaced at every start; the uninstallers remove it by name.
inline constexpr char kAccessPointRuleName[] = "Zr40Tool access point";
std::string DeleteAccessPointRule();
std::string AddAccessPointRule(const std::string& program, const std::string& ports,
                               const Ipv4Octets& address);
}  // namespace NetshCommand

// Runs a whole command line as it stands (netsh parses its own), with no window, waiting at
// most `limit`; output captured. Cancel and Resume as for ICommandRunner.
class ICommandLineRunner {
  public:
    virtual ~ICommandLineRunner() = default;
    virtual CommandResult RunLine(const std::string& commandLine,
                                  std::chrono::milliseconds limit) = 0;
    virtual void Cancel() {}
    virtual void Resume() {}
};

// Whether a netsh step did its work. netsh reports each wlan step in a sentence, so a step that
// exits 0 without printing one did nothing (the stub some systems ship); setting an address
// prints nothing when it succeeds. Whatever the exit status, output that tells of a failure
// (could not, failed, needs elevation or administrator rights; in English or Chinese) fails it.
bool NetshStepSucceeded(const CommandResult& result, bool reportsInOutput);

inline constexpr unsigned kAdapterTypeIeee80211 = 71;

struct NetworkAdapterEntry {
    unsigned type = 0;
    std::string adapterName;  // GUID text
};

// The IP Helper adapter list; any failure gives an empty list.
class INetworkAdapterList {
  public:
    virtual ~INetworkAdapterList() = default;
    virtual std::vector<NetworkAdapterEntry> List() = 0;
};

inline constexpr std::uint32_t kRegSz = 1;

// An open registry key; closed when released.
class IRegistryKey {
  public:
    virtual ~IRegistryKey() = default;
    // Type and size in bytes (the terminator included) of a value.
    virtual bool QueryValue(const std::string& name, std::uint32_t& type, std::uint32_t& size) = 0;
    // Reads at most `size` bytes into buffer; `size` becomes the number stored. False when the
    // value cannot be read or does not fit.
    virtual bool ReadValue(const std::string& name, char* buffer, std::uint32_t& size) = 0;
};

class IRegistryReader {
  public:
    virtual ~IRegistryReader() = default;
    // A key under HKEY_LOCAL_MACHINE opened for reading; null when it cannot be opened.
    virtual std::unique_ptr<IRegistryKey> OpenKey(const std::string& path) = 0;
};

inline constexpr char kNetworkClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
inline constexpr std::size_t kRegPathBuffer = 1024;
inline constexpr std::size_t kPnpInstanceIdBuffer = 1024;
inline constexpr std::size_t kConnectionNameBuffer = 256;

class NetshHostedNetwork : public HostedNetwork {
  public:
    NetshHostedNetwork(ICommandLineRunner& runner, INetworkAdapterList& adapters,
                       IRegistryReader& registry, HostedNetworkPauses pauses = {},
                       HostedNetworkLimits limits = {});

    void CancelCommands() override;
    void ResumeCommands() override;
    // netsh cannot take a double quote inside a quoted value.
    bool IsSafeText(const std::string& text) const override;
    HostedNetworkResult Stop() override;
    HostedNetworkResult Configure(const std::string& ssid, const std::string& key) override;
    HostedNetworkResult Start() override;
    // The one wireless adapter whose connection is not a PCI card; "NONE" for none or several.
    VirtualAdapterLookup FindVirtualAdapterName() override;
    // With a monitor rule set, also replaces the access point's firewall rule.
    HostedNetworkResult ConfigureIp(const std::string& connectionName,
                                    const Ipv4Octets& address) override;
    void SetMonitorRule(const std::string& program, const std::string& ports) override;

    // One adapter's connection name from its registry key. `unopened` is set when the key
    // could not be opened.
    bool LookUpConnection(const std::string& adapterName, std::string& name, bool& unopened);

  private:
    // Runs one step and pauses after it; a step that failed leaves a line in Trace.log and is
    // named by `shown` (the line with the key hidden).
    HostedNetworkResult Run(const char* step, const std::string& line, const std::string& shown,
                            bool reportsInOutput, std::chrono::milliseconds limit,
                            std::chrono::milliseconds pause);

    ICommandLineRunner& runner_;
    INetworkAdapterList& adapters_;
    IRegistryReader& registry_;
    HostedNetworkPauses pauses_;
    HostedNetworkLimits limits_;
    std::string program_;
    std::string ports_;
};
