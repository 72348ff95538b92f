#include "platform/HostedNetworkNmcli.h"

#include "platform/CommandRunner.h"

namespace {

std::string Dotted(const Ipv4Octets& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
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

int NmcliHostedNetwork::Run(const NmcliCommand::Argv& argv) {
    return runner_.Run(argv, limits_.command);
}

void NmcliHostedNetwork::CancelCommands() {
    runner_.Cancel();
}

void NmcliHostedNetwork::ResumeCommands() {
    runner_.Resume();
}

void NmcliHostedNetwork::Stop() {
    runner_.Run(NmcliCommand::Stop(), limits_.stop);
    HostedNetworkPause(pauses_.stop);
}

void NmcliHostedNetwork::Configure(const std::string& ssid, const std::string& key) {
    if (!IsSafeText(ssid) || !IsSafeText(key)) {
        return;
    }
    Run(NmcliCommand::Configure(ssid, key));
    HostedNetworkPause(pauses_.configure);
}

void NmcliHostedNetwork::Start() {
    Run(NmcliCommand::Start());
    HostedNetworkPause(pauses_.start);
}

VirtualAdapterLookup NmcliHostedNetwork::FindVirtualAdapterName() {
    VirtualAdapterLookup result;
    if (Run(NmcliCommand::Show()) == 0) {
        result.name = kHotspotConnection;
    }
    return result;
}

void NmcliHostedNetwork::ConfigureIp(const std::string& connectionName, const Ipv4Octets& address) {
    if (!IsSafeHostedNetworkText(connectionName)) {
        return;
    }
    Run(NmcliCommand::ConfigureIp(connectionName, address));
    Run(NmcliCommand::Reactivate(connectionName));
    HostedNetworkPause(pauses_.configureIp);
}
