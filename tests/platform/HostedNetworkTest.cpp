#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/CommandRunner.h"
#include "platform/HostedNetwork.h"
#include "platform/HostedNetworkNetsh.h"
#include "platform/HostedNetworkNmcli.h"

namespace {

using Argv = std::vector<std::string>;
using namespace std::chrono_literals;

TEST(HostedNetworkTest, NetshLinesByteForByte) {
    EXPECT_EQ(NetshCommand::StopAP(), "netsh wlan stop hostednetwork");
    EXPECT_EQ(NetshCommand::ConfigAP("ZOLT_LINK", "QPLMRTXW"),
              "netsh wlan set hostednetwork mode=allow ssid=ZOLT_LINK key=QPLMRTXW");
    EXPECT_EQ(NetshCommand::ConfigAP("Ward 3 AP", "my pass phrase"),
              "netsh wlan set hostednetwork mode=allow ssid=\"Ward 3 AP\" key=\"my pass phrase\"");
    EXPECT_EQ(NetshCommand::StartAP(), "netsh wlan start hostednetwork");
    EXPECT_EQ(NetshCommand::ConfigIP("Local Area Connection* 12", {192, 168, 137, 5}),
              "netsh interface ip set address \"Local Area Connection* 12\" static 192.168.137.5 "
              "255.255.255.0 192.168.137.1 1");
    EXPECT_EQ(NetshCommand::ConfigIP("W", {10, 1, 2, 3}),
              "netsh interface ip set address \"W\" static 10.1.2.3 255.255.255.0 10.1.2.1 1");
}

// Registry keys by path, each a map of values; counts how many keys are open.
class FakeRegistry : public IRegistryReader {
  public:
    struct Value {
        std::uint32_t type = kRegSz;
        std::string text;  // stored with a terminator
    };
    using Values = std::map<std::string, Value>;

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path) override {
        auto it = keys.find(path);
        if (it == keys.end()) {
            return nullptr;
        }
        ++open;
        return std::make_unique<Key>(it->second, open);
    }

    void AddAdapter(const std::string& guid, const std::string& pnp, const std::string& name) {
        keys[std::string(kNetworkClassKey) + guid + "\\Connection"] = {
            {"PnpInstanceID", {kRegSz, pnp}}, {"Name", {kRegSz, name}}};
    }
    Values& At(const std::string& guid) {
        return keys[std::string(kNetworkClassKey) + guid + "\\Connection"];
    }

    std::map<std::string, Values> keys;
    int open = 0;

  private:
    class Key : public IRegistryKey {
      public:
        Key(const Values& v, int& open) : values_(v), open_(open) {}
        ~Key() override { --open_; }
        bool QueryValue(const std::string& name, std::uint32_t& type,
                        std::uint32_t& size) override {
            auto it = values_.find(name);
            if (it == values_.end()) {
                return false;
            }
            type = it->second.type;
            size = static_cast<std::uint32_t>(it->second.text.size() + 1);
            return true;
        }
        bool ReadValue(const std::string& name, char* buffer, std::uint32_t& size) override {
            auto it = values_.find(name);
            if (it == values_.end() || it->second.text.size() + 1 > size) {
                return false;
            }
            std::memcpy(buffer, it->second.text.c_str(), it->second.text.size() + 1);
            size = static_cast<std::uint32_t>(it->second.text.size() + 1);
            return true;
        }

      private:
        Values values_;
        int& open_;
    };
};

class FakeAdapters : public INetworkAdapterList {
  public:
    std::vector<NetworkAdapterEntry> List() override { return list; }
    std::vector<NetworkAdapterEntry> list;
};

class RecordingLines : public ICommandLineRunner {
  public:
    CommandResult RunLine(const std::string& line, std::chrono::milliseconds limit) override {
        lines.push_back(line);
        limits.push_back(limit.count());
        return result;
    }
    void Cancel() override { ++cancels; }
    std::vector<std::string> lines;
    std::vector<long long> limits;
    CommandResult result{0, "Done.\r\n"};
    int cancels = 0;
};

class NetshTest : public ::testing::Test {
  protected:
    std::string Trace() { return ReadLogText(logs.file("Trace.log")); }

    ScopedLogDir logs;
    RecordingLines runner;
    FakeAdapters adapters;
    FakeRegistry registry;
    NetshHostedNetwork network{
        runner, adapters, registry, HostedNetworkPauses::None(), {700ms, 30ms}};
};

TEST_F(NetshTest, SafeTextRefusesOnlyWhatThePlatformCannotPass) {
    struct Case {
        const char* text;
        bool safe;       // everywhere (argument vectors)
        bool netshSafe;  // inside netsh's quoted value
    } const cases[] = {
        {"ZOLT_LINK", true, true},   {"a-b.c=d&e|f", true, true}, {"", false, false},
        {"a b", true, true},         {" ", true, true},           {"a\"b", true, false},
        {"a\tb", false, false},      {"a\nb", false, false},      {"a\x7f", false, false},
        {"a\xc2\x85", false, false}, {"\xc2\xa0x", true, true},   {"x'y", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeHostedNetworkText(c.text), c.safe) << c.text;
        EXPECT_EQ(network.IsSafeText(c.text), c.netshSafe) << c.text;
    }
}

TEST_F(NetshTest, RunsTheLinesAndRefusesUnsafeTexts) {
    network.Stop();
    network.Configure("ZOLT_LINK", "QPLM\"RTXW");  // cannot sit inside a quoted value
    network.Configure("ZOLT_LINK", "QPLM\nRTXW");
    network.Configure("ZOLT_LINK", "QPLMRTXW");
    network.Configure("ZOLT LINK", "QPLM RTXW");
    network.Start();
    network.ConfigureIp("Wi-Fi 2", {192, 168, 137, 100});
    network.ConfigureIp("bad\"name", {192, 168, 137, 100});
    EXPECT_EQ(runner.lines,
              (std::vector<std::string>{
                  "netsh wlan stop hostednetwork",
                  "netsh wlan set hostednetwork mode=allow ssid=ZOLT_LINK key=QPLMRTXW",
                  "netsh wlan set hostednetwork mode=allow ssid=\"ZOLT LINK\" key=\"QPLM RTXW\"",
                  "netsh wlan start hostednetwork",
                  "netsh interface ip set address \"Wi-Fi 2\" static 192.168.137.100 "
                  "255.255.255.0 192.168.137.1 1"}));
    // Stopping has its own short limit: a closing window waits for it.
    EXPECT_EQ(runner.limits, (std::vector<long long>{30, 700, 700, 700, 700}));
    EXPECT_EQ(Trace().find("failed"), std::string::npos);
    network.CancelCommands();
    EXPECT_EQ(runner.cancels, 1);
}

TEST_F(NetshTest, AccessPointRuleAdmitsTheMonitorsOnItsNetworkOnly) {
    network.SetMonitorRule(R"(C:\Program Files\Zr40Tool\zr40tool.exe)", "5510-5526,5590");
    EXPECT_TRUE(network.ConfigureIp("Wi-Fi 2", {192, 168, 137, 100}).ok);
    const std::vector<std::string> steps = {
        "netsh interface ip set address \"Wi-Fi 2\" static 192.168.137.100 255.255.255.0 "
        "192.168.137.1 1",
        "netsh advfirewall firewall delete rule name=\"Zr40Tool access point\"",
        "netsh advfirewall firewall add rule name=\"Zr40Tool access point\" dir=in action=allow "
        "program=\"C:\\Program Files\\Zr40Tool\\zr40tool.exe\" protocol=TCP "
        "localport=5510-5526,5590 "
        "localip=192.168.137.100 remoteip=192.168.137.0/24 profile=public enable=yes"};
    EXPECT_EQ(runner.lines, steps);
    // a program name that would break the quoting adds no rule
    runner.lines.clear();
    network.SetMonitorRule("C:\\a\"b.exe", "5510");
    EXPECT_TRUE(network.ConfigureIp("Wi-Fi 2", {192, 168, 137, 100}).ok);
    EXPECT_EQ(runner.lines, std::vector<std::string>{steps[0]});
}

TEST_F(NetshTest, ExitZeroWithoutItsReportIsAFailedStep) {
    struct Case {
        CommandResult result;
        bool reportsInOutput;
        bool succeeded;
    } const cases[] = {
        {{0, "The hosted network started.\r\n"}, true, true},
        {{0, ""}, true, false},  // a stub netsh
        {{0, "\r\n \r\n"}, true, false},
        {{1, "The hosted network couldn't be started.\r\n"}, true, false},
        {{-1, ""}, true, false},  // not started, over its limit, or cancelled
        {{0, ""}, false, true},   // setting an address says nothing when it works
        {{1, ""}, false, false},
        // exit 0, but the words tell of a failure
        {{0, "The hosted network couldn't be started.\r\n"}, true, false},
        {{0, "The requested operation requires elevation (Run as administrator).\r\n"},
         false,
         false},
        {{0,
          "\xE6\x97\xA0\xE6\xB3\x95\xE5\x90\xAF\xE5\x8A\xA8\xE6\x89\x98\xE7\xAE\xA1\xE7"
          "\xBD\x91\xE7\xBB\x9C\xE3\x80\x82\r\n"},
         true,
         false},  // 无法启动承载网络。
        {{0, "The hosted network mode has been set to allow.\r\n"}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NetshStepSucceeded(c.result, c.reportsInOutput), c.succeeded)
            << c.result.status << " [" << c.result.output << "]";
    }
    // Each step names the command that failed, with the key hidden.
    runner.result = {0, ""};
    EXPECT_EQ(network.Configure("ZOLT_LINK", "QPLMRTXW").failedCommand,
              "netsh wlan set hostednetwork mode=allow ssid=ZOLT_LINK key=********");
    EXPECT_TRUE(network.ConfigureIp("Wi-Fi 2", {192, 168, 137, 100}).ok);
    runner.result = {-1, ""};
    const HostedNetworkResult start = network.Start();
    EXPECT_FALSE(start.ok);
    EXPECT_EQ(start.failedCommand, "netsh wlan start hostednetwork");
    EXPECT_FALSE(network.Configure("ZOLT_LINK", "QPLM\nRTXW").ok);  // refused: nothing ran
    EXPECT_NE(Trace().find("\tconfigAP failed: exit 0, 0 bytes of output\n"), std::string::npos);
    EXPECT_EQ(Trace().find("configIP"), std::string::npos);
    EXPECT_NE(Trace().find("\tstartAP failed: exit -1, 0 bytes of output\n"), std::string::npos);
    EXPECT_EQ(Trace().find("QPLMRTXW"), std::string::npos);  // the key stays out of the log
}

TEST_F(NetshTest, FindsTheOneNonPciWirelessAdapter) {
    adapters.list = {{6, "{E0}"}, {71, "{P1}"}, {71, "{V1}"}};
    registry.AddAdapter("{E0}", "ROOT\\ETH", "Ethernet");  // not wireless: never looked at
    registry.AddAdapter("{P1}", "PCI\\VEN_8086&DEV_24FD", "Wi-Fi");
    registry.AddAdapter("{V1}", "{5D624F94-8850-40C3-A3FA-A4FD2080BAF3}\\VWIFIMP_WFD\\5&1",
                        "Local Area Connection* 12");
    VirtualAdapterLookup r = network.FindVirtualAdapterName();
    EXPECT_EQ(r.name, "Local Area Connection* 12");
    EXPECT_EQ(r.unopened, 0);
    EXPECT_EQ(registry.open, 0);
    EXPECT_NE(Trace().find("\tPCI\\VEN_8086&DEV_24FD\n"), std::string::npos);
    EXPECT_NE(Trace().find("\tGet key value is not success!\n"), std::string::npos);

    // A second candidate (a USB stick) makes the answer ambiguous.
    adapters.list.push_back({71, "{U1}"});
    registry.AddAdapter("{U1}", "USB\\VID_0BDA&PID_8179\\00E04C", "Wi-Fi 3");
    r = network.FindVirtualAdapterName();
    EXPECT_EQ(r.name, "NONE");
    EXPECT_EQ(registry.open, 0);

    adapters.list.clear();
    EXPECT_EQ(network.FindVirtualAdapterName().name, "NONE");
}

TEST_F(NetshTest, RegistryProblemsMakeTheAdapterNotCount) {
    struct Case {
        const char* what;
        std::size_t pnpLength;
        std::size_t nameLength;
        std::uint32_t nameType;
        bool dropName;
        bool found;
        const char* trace;
    } const cases[] = {
        {"longest values", 1023, 255, kRegSz, false, true, nullptr},
        {"PnP id over its buffer", 1024, 8, kRegSz, false, false, "Get key value is not success!"},
        {"name over its buffer", 20, 256, kRegSz, false, false, "Get key value is not success!"},
        {"name not a string", 20, 8, 4, false, false, "The reg key value type is wrong!"},
        {"no name", 20, 8, kRegSz, true, false, "Can not find the reg key!"},
    };
    adapters.list = {{71, "{A}"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.AddAdapter("{A}", "USB" + std::string(c.pnpLength - 3, 'x'),
                            std::string(c.nameLength, 'n'));
        registry.At("{A}")["Name"].type = c.nameType;
        if (c.dropName) {
            registry.At("{A}").erase("Name");
        }
        const VirtualAdapterLookup r = network.FindVirtualAdapterName();
        EXPECT_EQ(r.name, c.found ? std::string(c.nameLength, 'n') : std::string("NONE"));
        EXPECT_EQ(registry.open, 0);
        if (c.trace != nullptr) {
            EXPECT_NE(Trace().find(std::string("\t") + c.trace + "\n"), std::string::npos);
        }
    }
}

TEST_F(NetshTest, UnopenedKeysAreCounted) {
    adapters.list = {{71, "{X}"}, {71, "{V}"}};
    registry.AddAdapter("{V}", "ROOT\\VWIFI", "Virtual");
    const VirtualAdapterLookup r = network.FindVirtualAdapterName();
    EXPECT_EQ(r.name, "Virtual");
    EXPECT_EQ(r.unopened, 1);
    EXPECT_NE(Trace().find("\tCan not open the reg path!\n"), std::string::npos);
}

class RecordingRunner : public ICommandRunner {
  public:
    int Run(const Argv& argv, std::chrono::milliseconds limit) override {
        runs.push_back(argv);
        limits.push_back(limit.count());
        return status;
    }
    void Cancel() override {}
    void Resume() override {}
    std::vector<Argv> runs;
    std::vector<long long> limits;
    int status = 0;
};

TEST(NmcliHostedNetworkTest, RunsTheExactArgumentVectors) {
    RecordingRunner runner;
    NmcliHostedNetwork network(runner, HostedNetworkPauses::None(), {700ms, 30ms});
    network.Stop();
    network.Configure("ZOLT_LINK", "QPLMRTXW");
    network.Configure("a\tb", "QPLMRTXW");  // refused: the page never passes it
    network.Configure("Ward 3 AP", "my \"pass\" phrase");
    network.Start();
    const VirtualAdapterLookup found = network.FindVirtualAdapterName();
    network.ConfigureIp(found.name, {192, 168, 137, 100});
    EXPECT_EQ(found.name, "Zr40Hotspot");
    EXPECT_EQ(runner.runs,
              (std::vector<Argv>{{"nmcli", "connection", "down", "Zr40Hotspot"},
                                 {"nmcli", "device", "wifi", "hotspot", "con-name", "Zr40Hotspot",
                                  "ssid", "ZOLT_LINK", "password", "QPLMRTXW"},
                                 {"nmcli", "device", "wifi", "hotspot", "con-name", "Zr40Hotspot",
                                  "ssid", "Ward 3 AP", "password", "my \"pass\" phrase"},
                                 {"nmcli", "connection", "up", "Zr40Hotspot"},
                                 {"nmcli", "connection", "show", "Zr40Hotspot"},
                                 {"nmcli", "connection", "modify", "Zr40Hotspot", "ipv4.method",
                                  "shared", "ipv4.addresses", "192.168.137.100/24"},
                                 {"nmcli", "connection", "up", "Zr40Hotspot"}}));

    // Stopping has its own short limit: a closing window waits for it.
    EXPECT_EQ(runner.limits, (std::vector<long long>{30, 700, 700, 700, 700, 700, 700}));

    runner.status = 10;  // nmcli: no such connection
    EXPECT_EQ(network.FindVirtualAdapterName().name, "NONE");
    // A failing step names its command, the key hidden; a failed address change is not applied.
    runner.runs.clear();
    EXPECT_EQ(network.Configure("ZOLT_LINK", "QPLMRTXW").failedCommand,
              "nmcli device wifi hotspot con-name Zr40Hotspot ssid ZOLT_LINK password ********");
    EXPECT_FALSE(network.ConfigureIp("Zr40Hotspot", {192, 168, 137, 100}).ok);
    EXPECT_EQ(runner.runs.size(), 2u);
    runner.status = 0;
    EXPECT_TRUE(network.Start().ok);
}

}  // namespace
