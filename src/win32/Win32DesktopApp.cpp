#include "win32/Win32DesktopApp.h"

#include "win32/Win32Api.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/DesktopServices.h"
#include "app/HeadlessApp.h"
#include "app/LogFolderChoice.h"
#include "app/MainWindowLogic.h"
#include "pages/LanguageTexts.h"
#include "platform/HostedNetwork.h"
#include "platform/ProcessElevation.h"
#include "platform/SingleInstance.h"
#include "platform/Utf8Path.h"
#include "registry/CMonitorTable.h"
#include "win32/Win32MainWindow.h"
#include "win32/Win32Text.h"
#include "win32/Win32UiThread.h"

namespace {

std::filesystem::path ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path);
}

}  // namespace

std::string ProgramFolder() {
    return win32ui::Utf8(ProgramPath().parent_path().wstring());
}

namespace {

// How long a second copy looks for the first one's window: it may still be starting.
constexpr std::chrono::milliseconds kFirstWindowWait{3000};

NetworkListenSettings ListenSettings(const Win32DesktopPaths& paths) {
    return paths.portBase >= 0 ? NetworkListenSettings::Compact(paths.portBase)
                               : NetworkListenSettings{};
}

// The listening ports as netsh writes a port list.
std::string FirewallPorts(const NetworkListenSettings& settings) {
    return std::to_string(settings.portA) + "-" +
           std::to_string(settings.portA + kGroupASlotCount - 1) + "," +
           std::to_string(settings.portB) + "," + std::to_string(settings.portC) + "," +
           std::to_string(settings.portD);
}

void ShowMessage(const std::string& text, UINT icon) {
    ::MessageBoxW(nullptr, win32ui::Wide(text).c_str(), L"Zr40Tool", MB_OK | icon);
}

int RunWindow(const Win32DesktopPaths& paths, SingleInstance& instance) {
    Win32UiThread ui;
    DesktopStart start;
    start.languageFolder = FindLanguageFolder(paths.exeDir, std::string());
    // an installed copy's language folder is read-only: the choice then lives in the profile
    start.userLanguageConfigPath = DefaultUserLanguageConfigPath();
    if (paths.portBase >= 0) {
        start.ports = ListenSettings(paths);
    }
    start.showRecordProblem = [](const std::string& text) { ShowMessage(text, MB_ICONWARNING); };
    DesktopServices services(ui, std::move(start));
    if (!services.StartError().empty()) {
        ShowMessage(services.StartError(), 0);
        return 1;
    }
    GetHostedNetwork().SetMonitorRule(win32ui::Utf8(ProgramPath().wstring()),
                                      FirewallPorts(ListenSettings(paths)));
    Win32MainWindow window;
    if (window.Handle() == nullptr) {
        // no desktop to open it on (under Wine: no X display)
        std::fprintf(stderr, "zr40tool: the window cannot be opened\n");
        return 1;
    }
    MarkInstanceWindow(window.Handle(), instance.Key());
    // An elevated copy started from the access-point page takes this one's place: it needs the
    // lock, and this window closes once it started (after the click that asked for it).
    const HWND handle = window.Handle();
    SetElevatedRestartHooks({[&instance] { instance.Release(); },
                             [&instance, handle](bool started) {
                                 if (started) {
                                     ::PostMessageW(handle, WM_CLOSE, 0, 0);
                                 } else {
                                     instance.Acquire();
                                 }
                             }});
    window.Run();
    SetElevatedRestartHooks({});
    return 0;
}

// The access-point page stops the hosted network when it opens; a check must change nothing.
class UntouchedHostedNetwork : public HostedNetwork {
  public:
    HostedNetworkResult Stop() override { return {}; }
    HostedNetworkResult Configure(const std::string&, const std::string&) override { return {}; }
    HostedNetworkResult Start() override { return {}; }
    VirtualAdapterLookup FindVirtualAdapterName() override { return {}; }
    HostedNetworkResult ConfigureIp(const std::string&, const Ipv4Octets&) override { return {}; }
};

// Answers without asking anything of the user or the system (no message box, no listening, no
// wireless check, no network command), so an installer or a support call can run it: the language
// files are found and load, and the main window opens with all its tabs.
int SelfCheck(const std::string& exeDir) {
    LanguageTexts& texts = GetLanguageTexts();
    const std::string folder = FindLanguageFolder(exeDir, std::string());
    texts.SetFolder(folder);
    texts.SetUserConfigPath(DefaultUserLanguageConfigPath());
    std::error_code ec;
    const std::filesystem::path shown = std::filesystem::absolute(PathFromUtf8(folder), ec);
    std::printf("Language folder: %s\n", ec ? folder.c_str() : Utf8FromPath(shown).c_str());
    if (!texts.LoadLanguage()) {
        std::printf("Self-check failed: %s\n", kLanguageLoadError);
        return 1;
    }
    GetMonitorTable().SetTextLookup([&texts](int index) { return texts.LanguageText(index); });
    UntouchedHostedNetwork hostedNetwork;
    MainWindowOptions options;
    options.hostedNetwork = &hostedNetwork;
    options.wirelessAdapter = 1;
    options.refreshMs = 0;
    Win32MainWindow window(options);
    if (window.Handle() == nullptr) {
        std::printf("Self-check failed: the window cannot be opened\n");
        return 1;
    }
    const int tabs = TabCtrl_GetItemCount(window.Tabs());
    int pages = 0;
    for (int tab = 0; tab < kMainTabCount; ++tab) {
        pages += window.Page(tab) != nullptr && window.Page(tab)->Handle() != nullptr ? 1 : 0;
    }
    std::printf("Window: opened, %d tabs, %d pages\n", tabs, pages);
    if (tabs != kMainTabCount || pages != kMainTabCount) {
        std::printf("Self-check failed: expected %d tabs and pages\n", kMainTabCount);
        return 1;
    }
    std::printf("Self-check passed\n");
    return 0;
}

}  // namespace

int RunWin32Desktop(const Win32DesktopPaths& paths) {
    // One copy per set of ports; the self-check touches no port and takes no lock.
    std::unique_ptr<SingleInstance> instance;
    if (!paths.selfCheck) {
        const int port = InstancePort(ListenSettings(paths));
        instance = std::make_unique<SingleInstance>(InstanceKeyForPort(port));
        if (instance->HeldByAnother()) {
            if (!RaiseInstanceWindow(instance->Key(), kFirstWindowWait)) {
                std::fprintf(stderr, "%s\n", AlreadyRunningMessage(port).c_str());
            }
            return 0;
        }
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                           ICC_INTERNET_CLASSES |
                                                           ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // the folder picker's new-style dialog needs an apartment thread
    const HRESULT com = ::OleInitialize(nullptr);
    if (!paths.selfCheck) {
        if (const std::string logs = UseDefaultLogFolder(); !logs.empty()) {
            std::fprintf(stderr, "%s\n", logs.c_str());
        }
    }
    int code = 0;
    if (paths.selfCheck) {
        Win32UiThread ui;
        SetUiThread(&ui);
        code = SelfCheck(paths.exeDir);
        std::fflush(stdout);
        SetUiThread(nullptr);
    } else {
        code = RunWindow(paths, *instance);
    }
    if (SUCCEEDED(com)) {
        ::OleUninitialize();
    }
    return code;
}
