#include "win32/Win32DesktopApp.h"

#include "win32/Win32Api.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/MainWindowLogic.h"
#include "network/NetworkListenManager.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "upgrade/UpdateConfigManager.h"
#include "win32/Win32MainWindow.h"
#include "win32/Win32Text.h"
#include "win32/Win32UiThread.h"

std::string ProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return win32ui::Utf8(std::filesystem::path(path).parent_path().wstring());
}

int RunWin32Desktop(const Win32DesktopPaths& paths) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                           ICC_INTERNET_CLASSES |
                                                           ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // the folder picker's new-style dialog needs an apartment thread
    const HRESULT com = ::OleInitialize(nullptr);

    int code = 0;
    {
        Win32UiThread ui;
        SetUiThread(&ui);
        std::unique_ptr<NetworkListenManager> ownServer;
        if (paths.portBase >= 0) {
            ownServer = std::make_unique<NetworkListenManager>(
                NetworkListenSettings::Compact(paths.portBase));
        }
        NetworkListenManager& server = ownServer ? *ownServer : GetNetworkListenManager();
        server.StartNetworkManager();
        LanguageTexts& texts = GetLanguageTexts();
        texts.SetFolder(FindLanguageFolder(paths.exeDir, std::string()));
        if (!texts.LoadLanguage()) {
            ::MessageBoxW(nullptr, win32ui::Wide(kLanguageLoadError).c_str(), L"Zr40Tool", MB_OK);
            code = 1;
        } else {
            GetMonitorTable().SetTextLookup(
                [&texts](int index) { return texts.LanguageText(index); });
            Win32MainWindow window;
            if (window.Handle() == nullptr) {
                // no desktop to open it on (under Wine: no X display)
                std::fprintf(stderr, "zr40tool: the window cannot be opened\n");
                code = 1;
            }
            window.Run();
        }
        // the sessions are the threads that post to the UI thread: end them before it goes
        server.Stop();
        GetUpdateConfigManager().StopUpgradePolling();
        SetUiThread(nullptr);
    }
    if (SUCCEEDED(com)) {
        ::OleUninitialize();
    }
    return code;
}
