// Test helper for the installer: prints what a shortcut (.lnk) starts, as the shell reads it:
// "target=PATH", "arguments=ARGS" and "directory=DIR", one per line in UTF-8. Status 1 when the
// shortcut cannot be read.
#include <windows.h>
// after windows.h, which they need
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

int Print(const wchar_t* file) {
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link)))) {
        return 1;
    }
    IPersistFile* persist = nullptr;
    int status = 1;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        wchar_t target[MAX_PATH] = {};
        wchar_t arguments[1024] = {};
        wchar_t directory[MAX_PATH] = {};
        if (SUCCEEDED(persist->Load(file, STGM_READ)) &&
            SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetArguments(arguments, 1024)) &&
            SUCCEEDED(link->GetWorkingDirectory(directory, MAX_PATH))) {
            std::printf("target=%s\narguments=%s\ndirectory=%s\n", Utf8(target).c_str(),
                        Utf8(arguments).c_str(), Utf8(directory).c_str());
            status = 0;
        }
        persist->Release();
    }
    link->Release();
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zr40-shortcut-target FILE.lnk\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int status = Print(argv[1]);
    ::CoUninitialize();
    return status;
}
