#pragma once
// The hosted network through NetworkManager: a Wi-Fi hotspot connection of its own name,
// driven with nmcli argument vectors (never a shell). NetworkManager's shared mode gives the
// monitors addresses on the PC's /24 and routes them, as the Windows hosted network does.
#include <string>
#include <vector>

#include "platform/HostedNetwork.h"

class ICommandRunner;

inline constexpr char kHotspotConnection[] = "Zr40Hotspot";

namespace NmcliCommand {
using Argv = std::vector<std::string>;
// nmcli connection down Zr40Hotspot
Argv Stop();
// nmcli device wifi hotspot con-name Zr40Hotspot ssid <ssid> password <key>
Argv Configure(const std::string& ssid, const std::string& key);
// nmcli connection up Zr40Hotspot
Argv Start();
// nmcli connection show Zr40Hotspot (exit status 0 when the connection exists)
Argv Show();
// nmcli connection modify <name> ipv4.method shared ipv4.addresses a.b.c.d/24
Argv ConfigureIp(const std::string& connectionName, const Ipv4Octets& address);
// nmcli connection up <name>: applies the address.
Argv Reactivate(const std::string& connectionName);
}  // namespace NmcliCommand

class NmcliHostedNetwork : public HostedNetwork {
  public:
    explicit NmcliHostedNetwork(ICommandRunner& runner, HostedNetworkPauses pauses = {},
                                HostedNetworkLimits limits = {});

    void CancelCommands() override;
    void ResumeCommands() override;
    HostedNetworkResult Stop() override;
    HostedNetworkResult Configure(const std::string& ssid, const std::string& key) override;
    HostedNetworkResult Start() override;
    // Our hotspot connection when NetworkManager knows it, else "NONE".
    VirtualAdapterLookup FindVirtualAdapterName() override;
    HostedNetworkResult ConfigureIp(const std::string& connectionName,
                                    const Ipv4Octets& address) override;

  private:
    // nmcli's exit status tells (0: done). `shown` names the command when it failed.
    HostedNetworkResult Run(const NmcliCommand::Argv& argv, const NmcliCommand::Argv& shown,
                            std::chrono::milliseconds limit);
    HostedNetworkResult Run(const NmcliCommand::Argv& argv) {
        return Run(argv, argv, limits_.command);
    }

    ICommandRunner& runner_;
    HostedNetworkPauses pauses_;
    HostedNetworkLimits limits_;
};
