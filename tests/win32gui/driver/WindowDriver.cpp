// Drives the desktop program's window from another process, as a tester would: waits for the
// monitor list to fill, opens the upgrade page, starts an upgrade from a folder and watches the
// rows until each one's upgrade column reads the finished text. Then closes the program.
//   zr40-window-driver --folder DIR --finished TEXT [--rows N] [--timeout S] [--notice TEXT]
//                      [--question TEXT]
// --question: while the upgrade runs, Escape goes to the folder field and then the close box is
// pressed; the program must stay open and ask this question, which is answered No; the upgrade
// must then go on to the end.
// --notice: the one message box the program may show before the upgrade starts (acknowledged,
// as the notice it is); any other box fails the run. Exit status 0 only when all went well.
#include <windows.h>
// after windows.h, which they need
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindowLogic.h"
#include "pages/MainWindowLayout.h"

namespace {

constexpr int kMonitorListId = IDC_MONITOR_LIST;
constexpr int kTabsId = IDC_MAIN_TAB;
constexpr int kUpgradeTab = kTabUpgrade;
constexpr int kFolderEditId = UpdatePageId::kFolderPath;
constexpr int kStartButtonId = UpdatePageId::kStart;
constexpr int kUpgradeColumn = 4;
constexpr int kColumns = 5;
constexpr DWORD kPollMs = 50;
constexpr DWORD kListPollMs = 250;
constexpr int kCellChars = 256;
constexpr UINT kCallMs = 5000;     // a single message the program does not answer in time
constexpr DWORD kCloseMs = 30000;  // the program ends after the close request

struct Options {
    std::wstring folder;
    std::wstring finished;
    std::wstring notice;
    std::wstring question;
    int rows = 3;
    DWORD timeoutMs = 120000;
};

void Say(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    std::printf("driver: %s\n", utf8.c_str());
    std::fflush(stdout);
}

bool Parse(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--folder") {
            options.folder = value;
        } else if (name == L"--finished") {
            options.finished = value;
        } else if (name == L"--notice") {
            options.notice = value;
        } else if (name == L"--question") {
            options.question = value;
        } else if (name == L"--rows") {
            options.rows = static_cast<int>(std::wcstol(value, nullptr, 10));
        } else if (name == L"--timeout") {
            options.timeoutMs = static_cast<DWORD>(std::wcstoul(value, nullptr, 10) * 1000);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.folder.empty() && !options.finished.empty() &&
           options.rows > 0 && options.timeoutMs > 0;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

struct Search {
    DWORD pid = 0;
    HWND skip = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    if (TextOf(window) == L"Zr40Tool" && ::GetDlgItem(window, kMonitorListId) != nullptr) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A message box of the program: a top-level dialog of its process other than the main window.
BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search.pid && window != search.skip && ::IsWindowVisible(window) &&
        ClassOf(window) == L"#32770") {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindUpgradePage(HWND child, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    if (ClassOf(child) == L"#32770" && ::GetDlgItem(child, kFolderEditId) != nullptr) {
        search.found = child;
        return FALSE;
    }
    return TRUE;
}

// Memory inside the program's process, for the messages that carry pointers and are not
// carried across processes.
class RemoteBlock {
  public:
    RemoteBlock(HANDLE process, SIZE_T size)
        : process_(process),
          address_(
              ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_ != nullptr) {
            ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Valid() const { return address_ != nullptr; }
    char* At(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        SIZE_T done = 0;
        return ::WriteProcessMemory(process_, At(offset), data, size, &done) && done == size;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        SIZE_T done = 0;
        return ::ReadProcessMemory(process_, At(offset), data, size, &done) && done == size;
    }

  private:
    HANDLE process_;
    void* address_;
};

class Driver {
  public:
    explicit Driver(Options options)
        : options_(std::move(options)), deadline_(::GetTickCount64() + options_.timeoutMs) {}
    ~Driver() {
        cells_.reset();  // freed through the process handle
        if (process_ != nullptr) {
            ::CloseHandle(process_);
        }
    }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    int Run() {
        if (!Attach() || !WaitForRows() || !StartUpgrade() || !WaitForFinished()) {
            return 1;
        }
        return Close() ? 0 : 1;
    }

  private:
    bool Fail(const std::wstring& why) {
        Say(L"FAILED: " + why);
        if (cells_ && cells_->Valid()) {
            ReadRows();
        }
        if (!rowsSeen_.empty()) {
            Say(L"rows last seen:");
            for (const std::wstring& row : rowsSeen_) {
                Say(L"  " + row);
            }
        }
        return false;
    }

    bool TimeLeft() const { return ::GetTickCount64() < deadline_; }

    // False (and the run fails) when the program shows a message box other than the notice.
    bool NoMessageBox() {
        Search search;
        search.pid = pid_;
        search.skip = main_;
        ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            return true;
        }
        const std::wstring text = TextOf(::GetDlgItem(search.found, 0xFFFF));
        if (!options_.notice.empty() && text == options_.notice && !upgradeStarted_) {
            Say(L"acknowledged the notice \"" + text + L"\"");
            ::PostMessageW(search.found, WM_COMMAND, IDOK, 0);
            return true;
        }
        if (closeAsked_ && !questionAnswered_ && text == options_.question) {
            Say(L"the program asks \"" + text + L"\": answered No");
            questionAnswered_ = true;
            ::PostMessageW(search.found, WM_COMMAND, IDNO, 0);
            return true;
        }
        return Fail(L"the program shows a message box: \"" + text + L"\"");
    }

    bool Call(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
        DWORD_PTR answer = 0;
        if (::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kCallMs,
                                  &answer) == 0) {
            return false;
        }
        if (result != nullptr) {
            *result = static_cast<LRESULT>(answer);
        }
        return true;
    }

    bool Attach() {
        Search search;
        while (search.found == nullptr) {
            ::EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&search));
            if (search.found == nullptr) {
                if (!TimeLeft()) {
                    return Fail(L"no window captioned Zr40Tool with the monitor list");
                }
                ::Sleep(kPollMs);
            }
        }
        main_ = search.found;
        ::GetWindowThreadProcessId(main_, &pid_);
        process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                     PROCESS_QUERY_INFORMATION | SYNCHRONIZE,
                                 FALSE, pid_);
        list_ = ::GetDlgItem(main_, kMonitorListId);
        tabs_ = ::GetDlgItem(main_, kTabsId);
        Search page;
        ::EnumChildWindows(main_, &FindUpgradePage, reinterpret_cast<LPARAM>(&page));
        page_ = page.found;
        if (process_ != nullptr) {
            cells_ = std::make_unique<RemoteBlock>(process_,
                                                   sizeof(LVITEMW) + kCellChars * sizeof(wchar_t));
        }
        if (process_ == nullptr || !cells_->Valid() || tabs_ == nullptr || page_ == nullptr) {
            return Fail(
                L"the window lacks its tab control or upgrade page, or its process is closed");
        }
        Say(L"found the window");
        return true;
    }

    bool RowCount(int& count) {
        LRESULT answer = 0;
        if (!Call(list_, LVM_GETITEMCOUNT, 0, 0, &answer)) {
            return false;
        }
        count = static_cast<int>(answer);
        return true;
    }

    // One cell's text through the block in the program's memory: an LVITEMW, then its buffer.
    bool ReadCell(int row, int column, std::wstring& text) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(cells_->At(sizeof(LVITEMW)));
        item.cchTextMax = kCellChars;
        wchar_t buffer[kCellChars] = {};
        LRESULT length = 0;
        if (!cells_->Write(0, &item, sizeof(item)) ||
            !Call(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                  reinterpret_cast<LPARAM>(cells_->At(0)), &length) ||
            length < 0 || length >= kCellChars ||
            !cells_->Read(sizeof(LVITEMW), buffer, static_cast<SIZE_T>(length) * sizeof(wchar_t))) {
            return false;
        }
        text.assign(buffer, static_cast<std::size_t>(length));
        return true;
    }

    // Every row in full, kept for the report.
    void ReadRows() {
        int count = 0;
        if (!RowCount(count)) {
            return;
        }
        rowsSeen_.clear();
        for (int row = 0; row < count; ++row) {
            std::wstring line;
            for (int column = 0; column < kColumns; ++column) {
                std::wstring cell;
                ReadCell(row, column, cell);
                line += (column == 0 ? L"" : L" | ") + cell;
            }
            rowsSeen_.push_back(line);
        }
    }

    bool WaitForRows() {
        int count = 0;
        for (;;) {
            if (!NoMessageBox()) {
                return false;
            }
            if (RowCount(count) && count == options_.rows) {
                Say(L"the list holds " + std::to_wstring(count) + L" rows");
                return true;
            }
            if (!TimeLeft()) {
                return Fail(L"the list never held " + std::to_wstring(options_.rows) + L" rows");
            }
            ::Sleep(kListPollMs);
        }
    }

    // A click on the tab, as a user gives it: the tab control then tells the window itself.
    // (Wine does not carry WM_NOTIFY between processes, even with the NMHDR in the program's
    // memory, so the notification cannot be sent from here.)
    bool SelectUpgradeTab() {
        RemoteBlock block(process_, sizeof(RECT));
        RECT tab = {};
        if (!block.Valid() ||
            !Call(tabs_, TCM_GETITEMRECT, kUpgradeTab, reinterpret_cast<LPARAM>(block.At(0))) ||
            !block.Read(0, &tab, sizeof(tab))) {
            return false;
        }
        const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        ::PostMessageW(tabs_, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(tabs_, WM_LBUTTONUP, 0, at);
        LRESULT current = -1;
        while (!Call(tabs_, TCM_GETCURSEL, 0, 0, &current) || current != kUpgradeTab ||
               !::IsWindowVisible(page_)) {
            if (!NoMessageBox() || !TimeLeft()) {
                return false;
            }
            ::Sleep(kPollMs);
        }
        return true;
    }

    bool StartUpgrade() {
        if (!SelectUpgradeTab()) {
            return Fail(L"a click on the upgrade tab did not show the upgrade page");
        }
        const HWND folder = ::GetDlgItem(page_, kFolderEditId);
        const HWND start = ::GetDlgItem(page_, kStartButtonId);
        // WM_GETTEXT reads another process's edit field; GetWindowText would not
        wchar_t entered[MAX_PATH * 2] = {};
        if (!Call(folder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(options_.folder.c_str())) ||
            !Call(folder, WM_GETTEXT, MAX_PATH * 2, reinterpret_cast<LPARAM>(entered)) ||
            options_.folder != entered) {
            return Fail(L"the folder field does not take the folder");
        }
        if (start == nullptr || !::IsWindowEnabled(start)) {
            return Fail(L"the start button is missing or disabled");
        }
        // posted: the press may open a message box, which must not hold the driver
        upgradeStarted_ = true;
        ::PostMessageW(page_, WM_COMMAND, MAKEWPARAM(kStartButtonId, BN_CLICKED),
                       reinterpret_cast<LPARAM>(start));
        Say(L"started the upgrade from " + options_.folder);
        return true;
    }

    // Only the upgrade column while waiting: each read is a round of calls into the program,
    // which shares Wine's server with the program's own socket work.
    bool WaitForFinished() {
        for (;;) {
            if (!NoMessageBox()) {
                return false;
            }
            int count = 0;
            if (!RowCount(count)) {
                return Fail(L"the list did not answer for its row count within " +
                            std::to_wstring(kCallMs) + L" ms");
            }
            bool done = count == options_.rows;
            if (count < options_.rows) {
                return Fail(L"a monitor left the list during the upgrade");
            }
            if (!options_.question.empty() && !closeAsked_ && !AskToCloseWhileRunning()) {
                return false;
            }
            if (closeAsked_ && !::IsWindow(main_)) {
                return Fail(L"the window closed during the upgrade");
            }
            for (int row = 0; done && row < count; ++row) {
                std::wstring state;
                done = ReadCell(row, kUpgradeColumn, state) && state == options_.finished;
            }
            // the question must have been asked and answered before the end counts
            done = done && (options_.question.empty() || questionAnswered_);
            if (done) {
                ReadRows();
                for (const std::wstring& line : rowsSeen_) {
                    Say(L"row: " + line);
                }
                return true;
            }
            if (!TimeLeft()) {
                return Fail(L"not every row reached \"" + options_.finished + L"\" in time");
            }
            ::Sleep(kListPollMs);
        }
    }

    // Once a row shows its progress: Escape in the folder field, then the close box. Both are
    // posted to the program's queue in this order, so the question can only come once the
    // Escape has been handled, and the window must still be there for it.
    bool AskToCloseWhileRunning() {
        bool running = false;
        int count = 0;
        for (int row = 0; !running && RowCount(count) && row < count; ++row) {
            std::wstring state;
            running =
                ReadCell(row, kUpgradeColumn, state) && !state.empty() && state.back() == L'%';
        }
        if (!running) {
            return true;
        }
        const HWND folder = ::GetDlgItem(page_, kFolderEditId);
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
        ::PostMessageW(folder, WM_KEYDOWN, VK_ESCAPE, scan | 1);
        ::PostMessageW(folder, WM_KEYUP, VK_ESCAPE,
                       scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
        ::PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
        closeAsked_ = true;
        Say(L"Escape in the folder field, then the close box, during the upgrade");
        return true;
    }

    bool Close() {
        ::PostMessageW(main_, WM_CLOSE, 0, 0);
        const ULONGLONG end = ::GetTickCount64() + kCloseMs;
        while (::WaitForSingleObject(process_, kPollMs) == WAIT_TIMEOUT) {
            if (!NoMessageBox()) {
                return false;
            }
            if (::GetTickCount64() >= end) {
                return Fail(L"the program did not end within 30 s of WM_CLOSE");
            }
        }
        DWORD code = 0;
        ::GetExitCodeProcess(process_, &code);
        if (code != 0) {
            return Fail(L"the program ended with status " + std::to_wstring(code));
        }
        Say(L"the program closed");
        return true;
    }

    Options options_;
    ULONGLONG deadline_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
    HWND tabs_ = nullptr;
    HWND page_ = nullptr;
    DWORD pid_ = 0;
    HANDLE process_ = nullptr;
    bool upgradeStarted_ = false;
    bool closeAsked_ = false;
    bool questionAnswered_ = false;
    std::unique_ptr<RemoteBlock> cells_;
    std::vector<std::wstring> rowsSeen_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: zr40-window-driver --folder DIR --finished TEXT [--rows N] "
                     "[--timeout S] [--notice TEXT] [--question TEXT]\n");
        return 2;
    }
    Driver driver(std::move(options));
    return driver.Run();
}
