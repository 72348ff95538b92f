// The firewall rule the Windows installer adds and its uninstaller removes, as written in the
// installer script: the command lines netsh receives (netsh is a stub under Wine, so they are
// checked here) must let exactly the tool's monitor ports in, for the tool alone, and the
// removal must name the same rule.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "TempDir.h"
#include "network/NetworkListenManager.h"
#include "platform/HostedNetworkNetsh.h"

namespace {

const std::string kScripts = std::string(ZR40_SOURCE_DIR) + "/packaging/windows/";

// The script's !define values ("..." or '...') with ${NAME} references filled in.
std::map<std::string, std::string> Defines(const std::string& text) {
    std::map<std::string, std::string> defines;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string keyword;
        std::string name;
        if (!(words >> keyword >> name) || keyword != "!define") {
            continue;
        }
        std::string rest;
        std::getline(words >> std::ws, rest);
        const auto close = rest.empty() ? std::string::npos : rest.rfind(rest.front());
        if (close == std::string::npos || close == 0 ||
            (rest.front() != '"' && rest.front() != '\'')) {
            continue;
        }
        std::string value = rest.substr(1, close - 1);
        for (const auto& [known, replacement] : defines) {
            const std::string reference = "${" + known + "}";
            for (auto at = value.find(reference); at != std::string::npos;
                 at = value.find(reference)) {
                value.replace(at, reference.size(), replacement);
            }
        }
        defines[name] = value;
    }
    return defines;
}

// key=value words of a netsh command line, quotes removed; the rest (program and verbs) under "".
std::map<std::string, std::string> Words(const std::string& command) {
    std::map<std::string, std::string> words;
    std::size_t at = 0;
    while (at < command.size()) {
        if (command[at] == ' ') {
            ++at;
            continue;
        }
        // a word ends at a blank outside quotes
        std::size_t end = at;
        for (bool quoted = false; end < command.size() && (quoted || command[end] != ' '); ++end) {
            quoted = command[end] == '"' ? !quoted : quoted;
        }
        const std::string word = command.substr(at, end - at);
        at = end;
        const auto equals = word.find('=');
        if (word.front() == '"' || equals == std::string::npos) {
            words[""] += (words[""].empty() ? "" : " ") + word;
            continue;
        }
        std::string value = word.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        words[word.substr(0, equals)] = value;
    }
    return words;
}

// The ports the tool listens on by default, as netsh writes a port list.
std::string ToolPorts() {
    const NetworkListenSettings settings;
    std::ostringstream ports;
    ports << settings.portA << '-' << settings.portA + kGroupASlotCount - 1 << ',' << settings.portB
          << ',' << settings.portC << ',' << settings.portD;
    return ports.str();
}

// The value of attribute `name` in the element that holds id="`id`", XML quotes undone.
std::string Attribute(const std::string& xml, const std::string& id, const std::string& name) {
    const auto element = xml.rfind('<', xml.find("Id=\"" + id + "\""));
    const auto end = xml.find('>', element);
    const auto at = xml.find(" " + name + "=\"", element);
    if (element == std::string::npos || at == std::string::npos || at > end) {
        return {};
    }
    const auto from = at + name.size() + 3;
    std::string value = xml.substr(from, xml.find('"', from) - from);
    for (auto quote = value.find("&quot;"); quote != std::string::npos;
         quote = value.find("&quot;")) {
        value.replace(quote, 6, "\"");
    }
    return value;
}

// One rule for the tool's ports and program, added with exactly these words and removed by the
// same description, so the removal takes that rule and no other.
void ExpectOneRule(const std::string& addCommand, const std::string& deleteCommand,
                   const std::string& netsh, const std::string& program) {
    auto add = Words(addCommand);
    auto remove = Words(deleteCommand);
    EXPECT_EQ(add[""], netsh + " advfirewall firewall add rule");
    EXPECT_EQ(remove[""], netsh + " advfirewall firewall delete rule");
    const std::map<std::string, std::string> rule = {
        {"name", "Zr40Tool monitors"}, {"dir", "in"}, {"program", program}, {"protocol", "TCP"},
        {"localport", ToolPorts()},
    };
    for (const auto& [key, value] : rule) {
        EXPECT_EQ(add[key], value) << "add rule: " << key;
        EXPECT_EQ(remove[key], value) << "delete rule: " << key;
    }
    EXPECT_EQ(add["action"], "allow");
    EXPECT_EQ(add["profile"], "private,domain");
    EXPECT_EQ(add["enable"], "yes");
    EXPECT_EQ(add.size(), rule.size() + 4);  // nothing else widens it (remoteip, other programs)
    EXPECT_EQ(remove.size(), rule.size() + 1);
}

}  // namespace

TEST(InstallerFirewallRuleTest, AddsAndRemovesOneRuleForTheToolsPorts) {
    const auto defines = Defines(ReadFileText(kScripts + "firewall.nsh"));
    ASSERT_TRUE(defines.count("FIREWALL_ADD") && defines.count("FIREWALL_DELETE"));
    ExpectOneRule(defines.at("FIREWALL_ADD"), defines.at("FIREWALL_DELETE"),
                  R"("$SYSDIR\netsh.exe")", R"($INSTDIR\zr40tool.exe)");
    // the uninstaller also removes the rule the tool adds for its access point, by its name
    ASSERT_TRUE(defines.count("FIREWALL_AP_DELETE"));
    EXPECT_EQ(defines.at("FIREWALL_AP_DELETE"),
              R"("$SYSDIR\netsh.exe")" + NetshCommand::DeleteAccessPointRule().substr(5));

    // The installer replaces an earlier install's rule before adding; the uninstaller removes it.
    const std::string script = ReadFileText(kScripts + "zr40tool.nsi");
    const auto install = script.find("Section \"Zr40Tool\"");
    const auto uninstall = script.find("Section \"Uninstall\"");
    ASSERT_NE(install, std::string::npos);
    ASSERT_NE(uninstall, std::string::npos);
    const auto deleteFirst = script.find("'${FIREWALL_DELETE}'", install);
    const auto addAfter = script.find("'${FIREWALL_ADD}'", install);
    EXPECT_LT(deleteFirst, addAfter);
    EXPECT_LT(addAfter, uninstall);
    EXPECT_NE(script.find("'${FIREWALL_DELETE}'", uninstall), std::string::npos);
    EXPECT_NE(script.find("'${FIREWALL_AP_DELETE}'", uninstall), std::string::npos);
    EXPECT_NE(script.find("!include \"firewall.nsh\""), std::string::npos);
}

TEST(InstallerFirewallRuleTest, PackageAddsAndRemovesTheSameRule) {
    const std::string wxs = ReadFileText(kScripts + "zr40tool.wxs");
    // netsh by full path, then its arguments
    ASSERT_EQ(Attribute(wxs, "SetNetsh", "Value"), R"([System64Folder]netsh.exe)");
    const std::string netsh = R"("[System64Folder]netsh.exe")";
    const std::string program = R"([INSTALLDIR]zr40tool.exe)";
    for (const char* removal : {"FirewallDelete", "FirewallRemove"}) {
        SCOPED_TRACE(removal);
        for (const char* action : {"FirewallAdd", removal}) {
            EXPECT_EQ(Attribute(wxs, action, "Property"), "NETSH");
            // run with the installer's rights, once the files are in place
            EXPECT_EQ(Attribute(wxs, action, "Execute"), "deferred");
            EXPECT_EQ(Attribute(wxs, action, "Impersonate"), "no");
        }
        ExpectOneRule(netsh + " " + Attribute(wxs, "FirewallAdd", "ExeCommand"),
                      netsh + " " + Attribute(wxs, removal, "ExeCommand"), netsh, program);
    }
    // the install replaces an earlier rule, then adds; the uninstall removes it
    const auto sequence = [&wxs](const std::string& action) {
        const std::string start = "<Custom Action=\"" + action + "\" Sequence=\"";
        const auto at = wxs.find(start);
        return at == std::string::npos ? -1 : std::atoi(wxs.c_str() + at + start.size());
    };
    EXPECT_LT(sequence("FirewallDelete"), sequence("FirewallAdd"));
    EXPECT_GT(sequence("FirewallRemove"), 0);
    EXPECT_GT(sequence("FirewallApRemove"), 0);
    EXPECT_EQ(netsh + " " + Attribute(wxs, "FirewallApRemove", "ExeCommand"),
              netsh + NetshCommand::DeleteAccessPointRule().substr(5));
}
