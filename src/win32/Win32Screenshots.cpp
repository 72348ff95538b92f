#include "win32/Win32Screenshots.h"

#include "win32/Win32Api.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "app/ScreenshotScene.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/ControlIds.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorTable.h"
#include "win32/PngFile.h"
#include "win32/Win32MainWindow.h"
#include "win32/Win32Text.h"
#include "win32/Win32UiThread.h"

namespace fs = std::filesystem;

namespace {

bool PumpUntil(Win32MainWindow& window, const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!window.PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
        if (done && done()) {
            return true;
        }
        if (::GetTickCount64() - start >= timeoutMs) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void Pump(Win32MainWindow& window, DWORD ms) {
    PumpUntil(window, nullptr, ms);
}

// The window with its frame.
bool Capture(HWND window, const std::string& path) {
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // the window's own surface: what it drew, whether or not the screen shows it yet
    HDC screen = ::GetWindowDC(window);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
    const int rows = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info,
                                 DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    if (rows != height) {
        return false;
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    }
    return WritePng(path, width, height, rgb);
}

}  // namespace

int RunWin32Screenshots(const std::string& folder, const std::string& exeDir) {
    std::error_code ec;
    const fs::path outDir(win32ui::Wide(folder));
    fs::create_directories(outDir, ec);
    // a private copy of the language folder, so switching languages writes nothing of the user's
    const fs::path work =
        fs::temp_directory_path(ec) / (L"zr40shots-" + std::to_wstring(::GetCurrentProcessId()));
    const fs::path languageDir = work / L"language";
    fs::create_directories(languageDir, ec);
    const fs::path found(win32ui::Wide(FindLanguageFolder(exeDir, std::string())));
    for (const fs::directory_entry& entry : fs::directory_iterator(found, ec)) {
        fs::copy_file(entry.path(), languageDir / entry.path().filename(),
                      fs::copy_options::overwrite_existing, ec);
    }
    LanguageTexts& texts = GetLanguageTexts();
    texts.SetFolder(win32ui::Utf8(languageDir.wstring()));
    texts.SetUserConfigPath({});
    if (ec || !texts.LoadLanguage()) {
        std::fprintf(stderr, "%s\n", kLanguageLoadError);
        fs::remove_all(work, ec);
        return 1;
    }
    GetMonitorTable().SetTextLookup([&texts](int index) { return texts.LanguageText(index); });

    int code = 0;
    {
        Win32UiThread ui;
        SetUiThread(&ui);
        {
            ScreenshotScene scene;
            code = scene.Listen() ? 0 : 1;
            Win32MainWindow window(scene.WindowOptions());
            ::SetWindowPos(window.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
            ::ShowWindow(window.Handle(), SW_SHOW);
            if (code == 0) {
                scene.StartMonitors();
                if (!PumpUntil(
                        window, [&] { return window.Model().RowCount() >= 3; }, 15000)) {
                    ScreenshotScene::ReportMonitorsMissing();
                }
            }
            for (int l = 0; l < 2 && code == 0; ++l) {
                texts.SetLanguage(ScreenshotScene::kLanguages[l]);
                Pump(window, 50);
                for (int tab = 0; tab < kMainTabCount; ++tab) {
                    TabCtrl_SetCurSel(window.Tabs(), tab);
                    window.Logic().OnTabChanged();
                    if (tab == kTabNetwork || tab == kTabDebug) {
                        window.Model().SetCheck(0, true);
                        window.Logic().OnItemChanged(0);
                    }
                    if (tab == kTabDebug) {
                        // a frame typed and sent to the checked monitor, as an engineer would
                        const HWND page = window.PageOfTab(kTabDebug)->Handle();
                        ::SetDlgItemTextW(page, DebugPageId::kFrameText,
                                          win32ui::Wide(kScreenshotDebugFrame).c_str());
                        ::SendMessageW(
                            page, WM_COMMAND, MAKEWPARAM(DebugPageId::kSend, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(page, DebugPageId::kSend)));
                    }
                    if (tab == kTabUpgrade) {
                        ScreenshotScene::ShowTransferUnderWay();
                    }
                    Pump(window, 150);
                    ::RedrawWindow(window.Handle(), nullptr, nullptr,
                                   RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                    const std::string file = win32ui::Utf8(
                        (outDir / win32ui::Wide(ScreenshotScene::PictureName(l, tab))).wstring());
                    if (!Capture(window.Handle(), file)) {
                        std::fprintf(stderr, "cannot write %s\n", file.c_str());
                        code = 1;
                        break;
                    }
                    std::printf("%s\n", file.c_str());
                }
            }
        }
        SetUiThread(nullptr);
    }
    fs::remove_all(work, ec);
    return code;
}
