#include "platform/HostedNetworkNetsh.h"

#include <algorithm>
#include <cstdio>

#include "foundation/Log.h"
#include "platform/CodePage.h"

namespace {

std::string Octets(const Ipv4Octets& a, int last) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", a[0], a[1], a[2], last);
    return buffer;
}

// Reads a string value into buffer (capacity bytes, terminated). Values that do not fit with
// their terminator are refused, never cut or overrun.
bool ReadStringValue(IRegistryKey& key, const char* valueName, char* buffer, std::size_t capacity) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (!key.QueryValue(valueName, type, size)) {
        TraceLog("Can not find the reg key!\n");
        return false;
    }
    if (type != kRegSz) {
        TraceLog("The reg key value type is wrong!\n");
        return false;
    }
    std::fill(buffer, buffer + capacity, '\0');
    if (size > capacity) {
        TraceLog("Get key value is not success!\n");
        return false;
    }
    std::uint32_t got = static_cast<std::uint32_t>(capacity);
    const bool read = key.ReadValue(valueName, buffer, got);
    if (read && got <= capacity) {
        // Registry strings need not carry their terminator; one must fit.
        if (got > 0 && buffer[got - 1] == '\0') {
            return true;
        }
        if (got < capacity) {
            buffer[got] = '\0';
            return true;
        }
    }
    buffer[capacity - 1] = '\0';
    TraceLog("%s\n", buffer);
    TraceLog("Get key value is not success!\n");
    return false;
}

// Words netsh uses when a step did not work, in its English and Chinese texts.
constexpr const char* kFailureWords[] = {
    "couldn't",
    "could not",
    "cannot",
    "failed",
    "requires elevation",
    "administrator",
    "\xE6\x97\xA0\xE6\xB3\x95",              // 无法
    "\xE5\xA4\xB1\xE8\xB4\xA5",              // 失败
    "\xE7\xAE\xA1\xE7\x90\x86\xE5\x91\x98",  // 管理员
};

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool TellsOfFailure(const std::string& output) {
    // netsh writes in the console's code page, which need not be UTF-8.
    std::string text = output;
    if (!IsValidUtf8(text) && !LegacyCodePageToUtf8(output, text)) {
        text = DropInvalidUtf8(output);
    }
    text = Lowered(text);
    for (const char* word : kFailureWords) {
        if (text.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace NetshCommand {

std::string StopAP() {
    return "netsh wlan stop hostednetwork";
}

std::string ConfigAP(const std::string& ssid, const std::string& key) {
    // Quoted only when needed, so the usual lines stay as they always were.
    auto value = [](const std::string& text) {
        return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
    };
    return "netsh wlan set hostednetwork mode=allow ssid=" + value(ssid) + " key=" + value(key);
}

std::string StartAP() {
    return "netsh wlan start hostednetwork";
}

std::string ConfigIP(const std::string& connectionName, const Ipv4Octets& address) {
    return "netsh interface ip set address \"" + connectionName + "\" static " +
           Octets(address, address[3]) + " 255.255.255.0 " + Octets(address, 1) + " 1";
}

std::string DeleteAccessPointRule() {
    return std::string("netsh advfirewall firewall delete rule name=\"") + kAccessPointRuleName +
           "\"";
}

std::string AddAccessPointRule(const std::string& program, const std::string& ports,
                               const Ipv4Octets& address) {
    return std::string("netsh advfirewall firewall add rule name=\"") + kAccessPointRuleName +
           "\" dir=in action=allow program=\"" + program + "\" protocol=TCP localport=" + ports +
           " localip=" + Octets(address, address[3]) + " remoteip=" + Octets(address, 0) +
           "/24 profile=public enable=yes";
}

}  // namespace NetshCommand

bool NetshStepSucceeded(const CommandResult& result, bool reportsInOutput) {
    if (result.status != 0 || TellsOfFailure(result.output)) {
        return false;
    }
    return !reportsInOutput || result.output.find_first_not_of(" \t\r\n") != std::string::npos;
}

NetshHostedNetwork::NetshHostedNetwork(ICommandLineRunner& runner, INetworkAdapterList& adapters,
                                       IRegistryReader& registry, HostedNetworkPauses pauses,
                                       HostedNetworkLimits limits)
    : runner_(runner), adapters_(adapters), registry_(registry), pauses_(pauses), limits_(limits) {}

void NetshHostedNetwork::CancelCommands() {
    runner_.Cancel();
}

void NetshHostedNetwork::ResumeCommands() {
    runner_.Resume();
}

HostedNetworkResult NetshHostedNetwork::Run(const char* step, const std::string& line,
                                            const std::string& shown, bool reportsInOutput,
                                            std::chrono::milliseconds limit,
                                            std::chrono::milliseconds pause) {
    const CommandResult result = runner_.RunLine(line, limit);
    const bool ok = NetshStepSucceeded(result, reportsInOutput);
    if (!ok) {
        // The line itself may carry the key: only the step is named.
        TraceLog("%s failed: exit %d, %d bytes of output\n", step, result.status,
                 static_cast<int>(result.output.size()));
    }
    HostedNetworkPause(pause);
    return ok ? HostedNetworkResult{} : HostedNetworkResult::Failed(shown);
}

HostedNetworkResult NetshHostedNetwork::Stop() {
    const std::string line = NetshCommand::StopAP();
    return Run("stopAP", line, line, true, limits_.stop, pauses_.stop);
}

bool NetshHostedNetwork::IsSafeText(const std::string& text) const {
    return IsSafeHostedNetworkText(text) && text.find('"') == std::string::npos;
}

HostedNetworkResult NetshHostedNetwork::Configure(const std::string& ssid, const std::string& key) {
    const std::string shown = NetshCommand::ConfigAP(ssid, kHiddenKey);
    if (!IsSafeText(ssid) || !IsSafeText(key)) {
        return HostedNetworkResult::Failed(shown);
    }
    return Run("configAP", NetshCommand::ConfigAP(ssid, key), shown, true, limits_.command,
               pauses_.configure);
}

HostedNetworkResult NetshHostedNetwork::Start() {
    const std::string line = NetshCommand::StartAP();
    return Run("startAP", line, line, true, limits_.command, pauses_.start);
}

HostedNetworkResult NetshHostedNetwork::ConfigureIp(const std::string& connectionName,
                                                    const Ipv4Octets& address) {
    const std::string line = NetshCommand::ConfigIP(connectionName, address);
    // The name sits between quotes; a quote or control character in it would break the line.
    for (unsigned char c : connectionName) {
        if (c < 0x20 || c == '"' || c == 0x7F) {
            return HostedNetworkResult::Failed(line);
        }
    }
    HostedNetworkResult result =
        Run("configIP", line, line, false, limits_.command, pauses_.configureIp);
    if (!result.ok || program_.empty()) {
        return result;
    }
    // Fails when there was none: no reason to stop.
    const std::string removal = NetshCommand::DeleteAccessPointRule();
    Run("deleteRule", removal, removal, false, limits_.command, std::chrono::milliseconds(0));
    const std::string rule = NetshCommand::AddAccessPointRule(program_, ports_, address);
    return Run("addRule", rule, rule, false, limits_.command, std::chrono::milliseconds(0));
}

void NetshHostedNetwork::SetMonitorRule(const std::string& program, const std::string& ports) {
    // inside a quoted value, as the connection name
    const bool safe = program.find('"') == std::string::npos && IsSafeHostedNetworkText(program);
    program_ = safe ? program : std::string();
    ports_ = ports;
}

bool NetshHostedNetwork::LookUpConnection(const std::string& adapterName, std::string& name,
                                          bool& unopened) {
    unopened = false;
    const std::string path = std::string(kNetworkClassKey) + adapterName + "\\Connection";
    std::unique_ptr<IRegistryKey> key;
    if (path.size() < kRegPathBuffer) {
        key = registry_.OpenKey(path);
    }
    if (!key) {
        unopened = true;
        TraceLog("Can not open the reg path!\n");
        return false;
    }
    char pnp[kPnpInstanceIdBuffer];
    if (!ReadStringValue(*key, "PnpInstanceID", pnp, sizeof pnp)) {
        return false;
    }
    // A physical card on the PCI bus is not the hosted network's virtual adapter.
    if (std::string(pnp).rfind("PCI", 0) == 0) {
        TraceLog("%s\n", pnp);
        TraceLog("Get key value is not success!\n");
        return false;
    }
    char connection[kConnectionNameBuffer];
    if (!ReadStringValue(*key, "Name", connection, sizeof connection)) {
        return false;
    }
    name = connection;
    return true;
}

VirtualAdapterLookup NetshHostedNetwork::FindVirtualAdapterName() {
    VirtualAdapterLookup result;
    std::vector<std::string> names;
    for (const NetworkAdapterEntry& adapter : adapters_.List()) {
        if (adapter.type != kAdapterTypeIeee80211) {
            continue;
        }
        std::string name;
        bool unopened = false;
        if (LookUpConnection(adapter.adapterName, name, unopened)) {
            names.push_back(name);
        }
        if (unopened) {
            ++result.unopened;
        }
    }
    if (names.size() == 1) {
        result.name = names.front();
    }
    return result;
}
