// The hosted network on Windows: netsh through the command runner, the adapter list from the
// IP Helper and the connection names from the registry.
#include <winsock2.h>
// after winsock2.h, which they need
#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "foundation/Log.h"
#include "platform/CommandRunner.h"
#include "platform/HostedNetwork.h"
#include "platform/HostedNetworkNetsh.h"
#include "platform/win32/WideText.h"

namespace {

// The largest registry value read; connection data is far smaller.
constexpr DWORD kMaxValueBytes = 64 * 1024;

// netsh from the system folder, never one found first in the working folder or on PATH; empty
// when the system folder cannot be had.
std::string SystemNetsh() {
    const UINT size = ::GetSystemDirectoryW(nullptr, 0);
    if (size == 0) {
        return std::string();
    }
    std::wstring folder(size, L'\0');
    const UINT n = ::GetSystemDirectoryW(folder.data(), size);
    if (n == 0 || n >= size) {
        return std::string();
    }
    return win32text::ToUtf8(folder.data(), n) + "\\netsh.exe";
}

class NetshLineRunner : public ICommandLineRunner {
  public:
    CommandResult RunLine(const std::string& commandLine,
                          std::chrono::milliseconds limit) override {
        // Without the system folder, "netsh" would be whatever the search finds first.
        if (netsh_.empty()) {
            TraceLog("netsh not run: the system folder is unknown\n");
            return {};
        }
        return runner_.RunCommandLine(netsh_, commandLine, limit);
    }
    void Cancel() override { runner_.Cancel(); }
    void Resume() override { runner_.Resume(); }

  private:
    Win32CommandRunner runner_;
    const std::string netsh_ = SystemNetsh();
};

class IpHelperAdapterList : public INetworkAdapterList {
  public:
    std::vector<NetworkAdapterEntry> List() override {
        std::vector<NetworkAdapterEntry> entries;
        ULONG bytes = 16 * 1024;
        std::vector<unsigned char> buffer;
        ULONG status = ERROR_BUFFER_OVERFLOW;
        // The list may grow between the two calls: ask again a few times.
        for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
            buffer.assign(bytes, 0);
            status = ::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &bytes);
        }
        if (status != ERROR_SUCCESS) {
            return entries;
        }
        for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a != nullptr;
             a = a->Next) {
            entries.push_back({static_cast<unsigned>(a->Type), a->AdapterName});
        }
        return entries;
    }
};

// String values come back as UTF-8 with their terminator, sized as such.
class RegistryKey : public IRegistryKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() override { ::RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool QueryValue(const std::string& name, std::uint32_t& type, std::uint32_t& size) override {
        std::string text;
        DWORD valueType = 0;
        if (!Read(name, valueType, text)) {
            return false;
        }
        type = valueType;
        size = static_cast<std::uint32_t>(text.size() + 1);
        return true;
    }

    bool ReadValue(const std::string& name, char* buffer, std::uint32_t& size) override {
        std::string text;
        DWORD valueType = 0;
        if (!Read(name, valueType, text) || text.size() + 1 > size) {
            return false;
        }
        text.copy(buffer, text.size());
        buffer[text.size()] = '\0';
        size = static_cast<std::uint32_t>(text.size() + 1);
        return true;
    }

  private:
    // The value as UTF-8 without terminators (string types); other types give their raw bytes.
    bool Read(const std::string& name, DWORD& type, std::string& text) {
        const std::wstring wideName = win32text::ToWide(name);
        DWORD bytes = 0;
        if (::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            bytes > kMaxValueBytes) {
            return false;
        }
        std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
        if (::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, data.data(), &bytes) !=
                ERROR_SUCCESS ||
            bytes > kMaxValueBytes) {
            return false;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            text.assign(reinterpret_cast<const char*>(data.data()), bytes);
            return true;
        }
        std::wstring wide(bytes / sizeof(wchar_t), L'\0');
        std::copy_n(data.data(), wide.size() * sizeof(wchar_t),
                    reinterpret_cast<BYTE*>(wide.data()));
        while (!wide.empty() && wide.back() == L'\0') {
            wide.pop_back();
        }
        text = win32text::ToUtf8(wide.data(), wide.size());
        return true;
    }

    HKEY key_;
};

class RegistryReader : public IRegistryReader {
  public:
    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path) override {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32text::ToWide(path).c_str(), 0, KEY_READ,
                            &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<RegistryKey>(key);
    }
};

}  // namespace

HostedNetwork& GetHostedNetwork() {
    // constructed in this order, so each outlives the network that uses it
    static NetshLineRunner runner;
    static IpHelperAdapterList adapters;
    static RegistryReader registry;
    static NetshHostedNetwork network(runner, adapters, registry);
    return network;
}
