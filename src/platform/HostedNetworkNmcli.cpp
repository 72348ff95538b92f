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

NmcliHostedNetwork::NmcliHostedNetwork(ICommandRunner& runner, HostedNetworkPauses pauses)
    : runner_(runner), pauses_(pauses) {}

void NmcliHostedNetwork::Stop() {
    runner_.Run(NmcliCommand::Stop());
    HostedNetworkPause(pauses_.stop);
}

void NmcliHostedNetwork::Configure(const std::string& ssid, const std::string& key) {
    if (!IsSafeText(ssid) || !IsSafeText(key)) {
        return;
    }
    runner_.Run(NmcliCommand::Configure(ssid, key));
    HostedNetworkPause(pauses_.configure);
}

void NmcliHostedNetwork::Start() {
    runner_.Run(NmcliCommand::Start());
    HostedNetworkPause(pauses_.start);
}

VirtualAdapterLookup NmcliHostedNetwork::FindVirtualAdapterName() {
    VirtualAdapterLookup result;
    if (runner_.Run(NmcliCommand::Show()) == 0) {
        result.name = kHotspotConnection;
    }
    return result;
}

void NmcliHostedNetwork::ConfigureIp(const std::string& connectionName, const Ipv4Octets& address) {
    if (!IsSafeHostedNetworkText(connectionName)) {
        return;
    }
    runner_.Run(NmcliCommand::ConfigureIp(connectionName, address));
    runner_.Run(NmcliCommand::Reactivate(connectionName));
    HostedNetworkPause(pauses_.configureIp);
}
