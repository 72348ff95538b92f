#include "platform/HostedNetworkNmcli.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "foundation/Log.h"
#include "platform/CommandRunner.h"
#include "platform/PrivateTempFile.h"
#include "platform/Utf8Path.h"

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

std::string FindProgramIn(const std::vector<std::string>& folders, const std::string& name) {
    namespace fs = std::filesystem;
    for (const std::string& folder : folders) {
        const fs::path path = PathFromUtf8(folder) / PathFromUtf8(name);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!error && fs::is_regular_file(status) &&
            (status.permissions() & fs::perms::owner_exec) != fs::perms::none) {
            return Utf8FromPath(path);
        }
    }
    return std::string();
}

namespace NmcliCommand {

Argv Stop() {
    return {"nmcli", "connection", "down", kHotspotConnection};
}

Argv Delete() {
    return {"nmcli", "connection", "delete", kHotspotConnection};
}

Argv Configure(const std::string& ssid) {
    return {"nmcli",
            "connection",
            "add",
            "type",
            "wifi",
            "ifname",
            "*",
            "con-name",
            kHotspotConnection,
            "autoconnect",
            "no",
            "802-11-wireless.ssid",
            ssid,
            "802-11-wireless.mode",
            "ap",
            "ipv4.method",
            "shared",
            "802-11-wireless-security.key-mgmt",
            "wpa-psk",
            "802-11-wireless-security.psk-flags",
            "2"};
}

Argv Up(const std::string& connectionName, const std::string& passwordFile) {
    Argv argv = {"nmcli", "connection", "up", connectionName};
    if (!passwordFile.empty()) {
        argv.insert(argv.end(), {"passwd-file", passwordFile});
    }
    return argv;
}

Argv Show() {
    return {"nmcli", "connection", "show", kHotspotConnection};
}

Argv ConfigureIp(const std::string& connectionName, const Ipv4Octets& address) {
    return {"nmcli",       "connection", "modify",         connectionName,
            "ipv4.method", "shared",     "ipv4.addresses", Dotted(address) + "/24"};
}

std::string PasswordFileText(const std::string& key) {
    return "802-11-wireless-security.psk:" + key + "\n";
}

}  // namespace NmcliCommand

NmcliHostedNetwork::NmcliHostedNetwork(ICommandRunner& runner, std::string nmcli,
                                       HostedNetworkPauses pauses, HostedNetworkLimits limits)
    : runner_(runner), nmcli_(std::move(nmcli)), pauses_(pauses), limits_(limits) {}

HostedNetworkResult NmcliHostedNetwork::Run(const NmcliCommand::Argv& argv,
                                            const NmcliCommand::Argv& shown,
                                            std::chrono::milliseconds limit) {
    if (nmcli_.empty()) {
        TraceLog("nmcli not run: it is in none of /usr/bin, /bin, /usr/sbin, /sbin\n");
        return HostedNetworkResult::Failed(Joined(shown));
    }
    NmcliCommand::Argv program = argv;
    program[0] = nmcli_;
    if (runner_.Run(program, limit) == 0) {
        return {};
    }
    return HostedNetworkResult::Failed(Joined(shown));
}

HostedNetworkResult NmcliHostedNetwork::Activate(const std::string& connectionName) {
    // Shown without the file, which is gone by the time anyone reads the line.
    const NmcliCommand::Argv shown = NmcliCommand::Up(connectionName, std::string());
    if (key_.empty() || nmcli_.empty()) {
        return Run(shown, shown, limits_.command);
    }
    const PrivateTempFile secret("psk", NmcliCommand::PasswordFileText(key_));
    if (secret.Path().empty()) {
        TraceLog("nmcli not run: no private file for the key\n");
        return HostedNetworkResult::Failed(Joined(shown));
    }
    return Run(NmcliCommand::Up(connectionName, secret.Path()), shown, limits_.command);
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
    const NmcliCommand::Argv add = NmcliCommand::Configure(ssid);
    if (!IsSafeText(ssid) || !IsSafeText(key)) {
        return HostedNetworkResult::Failed(Joined(add));
    }
    key_ = key;
    // Made afresh, so no setting of an earlier profile (a saved key among them) lives on.
    HostedNetworkResult result;
    if (Run(NmcliCommand::Show()).ok) {
        result = Run(NmcliCommand::Delete());
    }
    if (result.ok) {
        result = Run(add);
    }
    HostedNetworkPause(pauses_.configure);
    return result;
}

HostedNetworkResult NmcliHostedNetwork::Start() {
    const HostedNetworkResult result = Activate(kHotspotConnection);
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
        result = Activate(connectionName);
    }
    HostedNetworkPause(pauses_.configureIp);
    return result;
}
