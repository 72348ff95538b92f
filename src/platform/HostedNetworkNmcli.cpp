#include "platform/HostedNetworkNmcli.h"

#include "platform/CommandRunner.h"

namespace {

std::string Dotted(const Ipv4Octets& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::string Joined(const NmcliCommand::Argv& argv) {
    std::string line;
    for (const std::string& a : argv) {
        line += (line.empty() ? "" : " ") + a;
    }
    return line;
}

}  // namespace

namespace NmcliCommand {

Argv Stop() {
    return {"nmcli", "connection", "down", kHotspotConnection};
}

Argv Configure(const std::string& ssid, const std::string& key) {
    return {"nmcli", "device", "wifi",     "hotspot", "con-name", kHotspotConnection,
            "ssid",  ssid,     "password", key};
}

Argv Start() {
    return {"nmcli", "connection", "up", kHotspotConnection};
}

Argv Show() {
    return {"nmcli", "connection", "show", kHotspotConnection};
}

Argv ConfigureIp(const std::string& connectionName, const Ipv4Octets& address) {
    return {"nmcli",       "connection", "modify",         connectionName,
            "ipv4.method", "shared",     "ipv4.addresses", Dotted(address) + "/24"};
}

Argv Reactivate(const std::string& connectionName) {
    return {"nmcli", "connection", "up", connectionName};
}

}  // namespace NmcliCommand

NmcliHostedNetwork::NmcliHostedNetwork(ICommandRunner& runner, HostedNetworkPauses pauses,
                                       HostedNetworkLimits limits)
    : runner_(runner), pauses_(pauses), limits_(limits) {}

HostedNetworkResult NmcliHostedNetwork::Run(const NmcliCommand::Argv& argv,
                                            const NmcliCommand::Argv& shown,
                                            std::chrono::milliseconds limit) {
    if (runner_.Run(argv, limit) == 0) {
        return {};
    }
    return HostedNetworkResult::Failed(Joined(shown));
}

void NmcliHostedNetwork::CancelCommands() {
    runner_.Cancel();
}

void NmcliHostedNetwork::ResumeCommands() {
    runner_.Resume();
}

HostedNetworkResult NmcliHostedNetwork::Stop() {
    const NmcliCommand::Argv argv = NmcliCommand::Stop();
    const HostedNetworkResult result = Run(argv, argv, limits_.stop);
    HostedNetworkPause(pauses_.stop);
    return result;
}

HostedNetworkResult NmcliHostedNetwork::Configure(const std::string& ssid, const std::string& key) {
    const NmcliCommand::Argv shown = NmcliCommand::Configure(ssid, kHiddenKey);
    if (!IsSafeText(ssid) || !IsSafeText(key)) {
        return HostedNetworkResult::Failed(Joined(shown));
    }
    const HostedNetworkResult result =
        Run(NmcliCommand::Configure(ssid, key), shown, limits_.command);
    HostedNetworkPause(pauses_.configure);
    return result;
}

HostedNetworkResult NmcliHostedNetwork::Start() {
    const HostedNetworkResult result = Run(NmcliCommand::Start());
    HostedNetworkPause(pauses_.start);
    return result;
}

VirtualAdapterLookup NmcliHostedNetwork::FindVirtualAdapterName() {
    VirtualAdapterLookup result;
    if (Run(NmcliCommand::Show()).ok) {
        result.name = kHotspotConnection;
    }
    return result;
}

HostedNetworkResult NmcliHostedNetwork::ConfigureIp(const std::string& connectionName,
                                                    const Ipv4Octets& address) {
    const NmcliCommand::Argv modify = NmcliCommand::ConfigureIp(connectionName, address);
    if (!IsSafeHostedNetworkText(connectionName)) {
        return HostedNetworkResult::Failed(Joined(modify));
    }
    HostedNetworkResult result = Run(modify);
    if (result.ok) {
        result = Run(NmcliCommand::Reactivate(connectionName));
    }
    HostedNetworkPause(pauses_.configureIp);
    return result;
}
