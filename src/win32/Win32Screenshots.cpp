#include "win32/Win32Screenshots.h"

#include "win32/Win32Api.h"

#include <functional>
#include <vector>

#include "app/IScreenshotWindow.h"
#include "app/ScreenshotScene.h"
#include "pages/LanguageTexts.h"
#include "win32/PngFile.h"
#include "win32/Win32MainWindow.h"
#include "win32/Win32UiThread.h"

namespace {

// The window with its frame.
bool CaptureWindow(HWND window, const std::string& path) {
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

class Win32ScreenshotWindow : public IScreenshotWindow {
  public:
    explicit Win32ScreenshotWindow(Win32MainWindow& window) : window_(window) {}
    MainWindow& Core() override { return window_.Core(); }
    void Show() override {
        ::SetWindowPos(window_.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        ::ShowWindow(window_.Handle(), SW_SHOW);
    }
    void ChooseTab(int tab) override {
        // the tab control tells no change that is not the user's own: told here instead
        TabCtrl_SetCurSel(window_.Tabs(), tab);
        window_.Logic().OnTabChanged();
    }
    bool Pump(int ms, const std::function<bool()>& done) override {
        const ULONGLONG start = ::GetTickCount64();
        for (;;) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!window_.PreTranslate(message)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            }
            if (done && done()) {
                return true;
            }
            if (::GetTickCount64() - start >= static_cast<ULONGLONG>(ms)) {
                return false;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    bool Capture(const std::string& path) override {
        ::RedrawWindow(window_.Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return CaptureWindow(window_.Handle(), path);
    }

  private:
    Win32MainWindow& window_;
};

}  // namespace

int RunWin32Screenshots(const std::string& folder, const std::string& exeDir) {
    Win32UiThread ui;
    ScreenshotScene scene(ui, FindLanguageFolder(exeDir, std::string()));
    if (!scene.Ready()) {
        return 1;
    }
    Win32MainWindow window(scene.WindowOptions());
    Win32ScreenshotWindow pictures(window);
    return scene.TakePictures(pictures, folder);
}
