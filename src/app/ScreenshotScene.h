#pragma once
// What both screenshot programs do around their window: a private copy of the language folder
// (switching languages writes nothing of the user's), a loopback server, three simulated
// monitors, dialogs nobody sits at, then every tab in both languages with the traffic and the
// transfer the pictures show. Header only: the programs that include it link the simulator.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "SimFleet.h"
#include "app/DesktopServices.h"
#include "app/IScreenshotWindow.h"
#include "app/MainWindow.h"
#include "app/MainWindowLogic.h"
#include "network/NetworkListenManager.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/DebugPageLayout.h"
#include "pages/IDialogs.h"
#include "pages/LanguageTexts.h"
#include "platform/Utf8Path.h"
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

    // `languageFolder`: the program's own, copied first.
    ScreenshotScene(IUiThread& ui, const std::string& languageFolder)
        : work_(std::filesystem::temp_directory_path(ec_) /
                ("zr40shots-" + std::to_string(std::random_device{}()))),
          copied_(CopyLanguageFolder(languageFolder)),
          services_(ui, Start()),
          fleet_(MonitorBase(), 3, "Zr40-") {}
    ~ScreenshotScene() {
        GetUpdateConfigManager().ClearUpgradeStatus();
        fleet_.StopAll();
        std::error_code ec;
        std::filesystem::remove_all(work_, ec);
    }
    ScreenshotScene(const ScreenshotScene&) = delete;
    ScreenshotScene& operator=(const ScreenshotScene&) = delete;

    // The language loaded and the server listening; false, said on stderr, otherwise.
    bool Ready() {
        if (!copied_ || !services_.StartError().empty()) {
            std::fprintf(stderr, "%s\n", kLanguageLoadError);
            return false;
        }
        if (!services_.Server().WaitListening(5000)) {
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

    // Every tab in both languages into `folder` (UTF-8), each picture's path on stdout; 0 when
    // all were written.
    int TakePictures(IScreenshotWindow& window, const std::string& folder) {
        std::error_code ec;
        const std::filesystem::path outDir = PathFromUtf8(folder);
        std::filesystem::create_directories(outDir, ec);
        if (!std::filesystem::is_directory(outDir, ec)) {
            std::fprintf(stderr, "cannot create %s\n", folder.c_str());
            return 1;
        }
        window.Show();
        MainWindow& core = window.Core();
        fleet_.StartAll("127.0.0.1", services_.Server().SessionPort());
        if (!window.Pump(15000, [&] { return core.Model().RowCount() >= 3; })) {
            std::fprintf(stderr, "the simulated monitors did not all appear\n");
        }
        for (int l = 0; l < 2; ++l) {
            GetLanguageTexts().SetLanguage(kLanguages[l]);
            window.Pump(50);
            for (int tab = 0; tab < kMainTabCount; ++tab) {
                window.ChooseTab(tab);
                if (tab == kTabNetwork || tab == kTabDebug) {
                    core.Model().SetCheck(0, true);
                    core.Logic().OnItemChanged(0);
                }
                if (tab == kTabDebug) {
                    // a frame typed and sent to the checked monitor, as an engineer would
                    core.Form(kTabDebug).SetText(DebugPageId::kFrameText, kScreenshotDebugFrame);
                    core.Debug().OnSend();
                }
                if (tab == kTabUpgrade) {
                    ShowTransferUnderWay();
                }
                window.Pump(150);
                const std::string file = Utf8FromPath(outDir / PictureName(l, tab));
                if (!window.Capture(file)) {
                    std::fprintf(stderr, "cannot write %s\n", file.c_str());
                    return 1;
                }
                std::printf("%s\n", file.c_str());
            }
        }
        return 0;
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
    // A transfer under way shows as a progress bar in the upgrade column.
    static void ShowTransferUnderWay() {
        const auto monitors = GetMonitorTable().GetAllMonitors();
        if (!monitors.empty()) {
            GetUpdateConfigManager().SetUpgradeStatus(monitors.front(),
                                                      UpgradeStatus{42, kUpgradeTransferring});
        }
    }

    bool CopyLanguageFolder(const std::string& from) {
        std::error_code ec;
        const std::filesystem::path to = work_ / "language";
        std::filesystem::create_directories(to, ec);
        if (ec_ || ec) {
            return false;
        }
        for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(from), ec)) {
            if (entry.is_regular_file(ec) &&
                !std::filesystem::copy_file(entry.path(), to / entry.path().filename(),
                                            std::filesystem::copy_options::overwrite_existing,
                                            ec)) {
                return false;
            }
        }
        return !ec;
    }

    DesktopStart Start() const {
        DesktopStart start;
        start.languageFolder = Utf8FromPath(work_ / "language");
        start.ports = ServerSettings();
        return start;
    }
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

    std::error_code ec_;
    std::filesystem::path work_;
    bool copied_;
    ConsoleDialogs dialogs_;
    DesktopServices services_;
    SimFleet fleet_;
};
