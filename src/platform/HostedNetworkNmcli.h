#pragma once
// The hosted network through NetworkManager: a Wi-Fi hotspot connection of its own name,
// driven with nmcli argument vectors (never a shell). NetworkManager's shared mode gives the
// monitors addresses on the PC's /24 and routes them, as the Windows hosted network does. The
// key is on no command line (every local user can read those) and in no saved profile: each
// activation hands it to nmcli in a private file.
#include <string>
#include <vector>

#include "platform/HostedNetwork.h"

class ICommandRunner;

inline constexpr char kHotspotConnection[] = "Zr40Hotspot";

// Where nmcli is looked for, in this order; never through PATH, which the user may point at
// anything.
inline const std::vector<std::string> kNmcliFolders = {"/usr/bin", "/bin", "/usr/sbin", "/sbin"};

// The first folder/name that is an executable file; empty when there is none.
std::string FindProgramIn(const std::vector<std::string>& folders, const std::string& name);

namespace NmcliCommand {
using Argv = std::vector<std::string>;
// Each vector starts with "nmcli"; the hosted network runs the program found in its place.
// nmcli connection down Zr40Hotspot
Argv Stop();
// nmcli connection delete Zr40Hotspot
Argv Delete();
// nmcli connection add type wifi ifname * con-name Zr40Hotspot autoconnect no
//   802-11-wireless.ssid <ssid> 802-11-wireless.mode ap ipv4.method shared
//   802-11-wireless-security.key-mgmt wpa-psk 802-11-wireless-security.psk-flags 2
// (flags 2: the key is never saved; each activation asks for it)
Argv Configure(const std::string& ssid);
// nmcli connection up <name> passwd-file <file>, or without the file when there is no key.
Argv Up(const std::string& connectionName, const std::string& passwordFile);
// nmcli connection show Zr40Hotspot (exit status 0 when the connection exists)
Argv Show();
// nmcli connection modify <name> ipv4.method shared ipv4.addresses a.b.c.d/24
Argv ConfigureIp(const std::string& connectionName, const Ipv4Octets& address);
// The password file's one line for the key.
std::string PasswordFileText(const std::string& key);
}  // namespace NmcliCommand

class NmcliHostedNetwork : public HostedNetwork {
  public:
    // `nmcli` is the program's absolute path; empty (not found) fails every step at once.
    NmcliHostedNetwork(ICommandRunner& runner, std::string nmcli, HostedNetworkPauses pauses = {},
                       HostedNetworkLimits limits = {});

    void CancelCommands() override;
    void ResumeCommands() override;
    HostedNetworkResult Stop() override;
    // Makes the hotspot connection afresh with the SSID; the key is kept for the activations.
    HostedNetworkResult Configure(const std::string& ssid, const std::string& key) override;
    HostedNetworkResult Start() override;
    // Our hotspot connection when NetworkManager knows it, else "NONE".
    VirtualAdapterLookup FindVirtualAdapterName() override;
    HostedNetworkResult ConfigureIp(const std::string& connectionName,
                                    const Ipv4Octets& address) override;

  private:
    // nmcli's exit status tells (0: done); a failure names the command as `shown`.
    HostedNetworkResult Run(const NmcliCommand::Argv& argv, const NmcliCommand::Argv& shown,
                            std::chrono::milliseconds limit);
    HostedNetworkResult Run(const NmcliCommand::Argv& argv) {
        return Run(argv, argv, limits_.command);
    }
    // Activates the connection with the key in a private file, removed once nmcli is done.
    HostedNetworkResult Activate(const std::string& connectionName);

    ICommandRunner& runner_;
    const std::string nmcli_;
    HostedNetworkPauses pauses_;
    HostedNetworkLimits limits_;
    std::string key_;  // from the last Configure; empty before
};
