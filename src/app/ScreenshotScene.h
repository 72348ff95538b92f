#pragma once
// What both screenshot programs set up around their window: a loopback server, three simulated
// monitors, dialogs nobody sits at, the traffic and the transfer the pictures show, and the
// pictures' names. Header only: the programs that include it link the simulator.
#include <cstdio>
#include <string>

#include "SimFleet.h"
#include "app/MainWindowLogic.h"
#include "network/NetworkListenManager.h"
#include "pages/IDialogs.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "registry/UpgradeState.h"
#include "upgrade/UpdateConfigManager.h"

// Messages and questions go to the console, questions are answered yes, no file or folder is
// ever chosen.
class ConsoleDialogs : public IDialogs {
  public:
    void MessageBox(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string& text) override {
        std::fprintf(stderr, "question: %s\n", text.c_str());
        return true;
    }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFile(const std::string&, const std::string&, const std::string&,
                  std::string&) override {
        return false;
    }
    bool PickFolder(const std::string&, std::string&) override { return false; }
};

// The frame the screenshots show typed and sent on the debug page.
inline constexpr char kScreenshotDebugFrame[] = "00 0a 00 12 00 05 00 00 01 02";

class ScreenshotScene {
  public:
    static constexpr int kLanguages[2] = {kLanguageEnglish, kLanguageChinese};

    ScreenshotScene() : server_(ServerSettings()), fleet_(MonitorBase(), 3, "Zr40-") {}
    ~ScreenshotScene() {
        GetUpdateConfigManager().ClearUpgradeStatus();
        fleet_.StopAll();
        server_.Stop();
        GetUpdateConfigManager().StopUpgradePolling();
    }
    ScreenshotScene(const ScreenshotScene&) = delete;
    ScreenshotScene& operator=(const ScreenshotScene&) = delete;

    // The server listening; false, said on stderr, when it does not.
    bool Listen() {
        server_.StartNetworkManager();
        if (!server_.WaitListening(5000)) {
            std::fprintf(stderr, "the listening server did not start\n");
            return false;
        }
        return true;
    }

    MainWindowOptions WindowOptions() {
        MainWindowOptions options;
        options.dialogs = &dialogs_;
        options.debugPageSwitch = 1;
        options.wirelessAdapter = 1;
        return options;
    }

    void StartMonitors() { fleet_.StartAll("127.0.0.1", server_.SessionPort()); }
    static void ReportMonitorsMissing() {
        std::fprintf(stderr, "the simulated monitors did not all appear\n");
    }

    // A transfer under way shows as a progress bar in the upgrade column.
    static void ShowTransferUnderWay() {
        const auto monitors = GetMonitorTable().GetAllMonitors();
        if (!monitors.empty()) {
            GetUpdateConfigManager().SetUpgradeStatus(monitors.front(),
                                                      UpgradeStatus{42, kUpgradeTransferring});
        }
    }

    // "zr40tool_en_3_upgrade.png": language (index into kLanguages), tab number and name.
    static std::string PictureName(int language, int tab) {
        static const char* const kLanguageNames[2] = {"en", "zh"};
        static const char* const kTabNames[kMainTabCount] = {"accesspoint", "network", "module",
                                                             "upgrade",     "debug",   "system"};
        return std::string("zr40tool_") + kLanguageNames[language] + "_" + std::to_string(tab) +
               "_" + kTabNames[tab] + ".png";
    }

  private:
    static NetworkListenSettings ServerSettings() {
        NetworkListenSettings settings = NetworkListenSettings::Compact(0);
        settings.bindAddress = "127.0.0.1";
        settings.startPauseMs = 0;
        settings.startReturnPauseMs = 0;
        settings.bindRetryPauseMs = 50;
        return settings;
    }
    static SimMonitorConfig MonitorBase() {
        SimMonitorConfig base;
        base.softwareVersion = "2.1.7";
        return base;
    }

    ConsoleDialogs dialogs_;
    NetworkListenManager server_;
    SimFleet fleet_;
};
