// THROWAWAY (delete at merge): quick Windows versions of platform functions that other ports
// provide, only so the app, pages, registry and upgrade tests and the headless tool can link
// and run under Wine on this branch. Not reviewed, not for the product.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/AppendFile.h"
#include "platform/CodePage.h"
#include "platform/CommandRunner.h"
#include "platform/FdLimit.h"
#include "platform/Md5Digest.h"
#include "platform/Socket.h"
#include "platform/TcpConnect.h"
#include "platform/TcpListener.h"
#include "platform/ThreadId.h"
#include "platform/WirelessAdapter.h"

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
} g_winsock;

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

Ipv4Endpoint FromSockaddr(const sockaddr_in& a) {
    Ipv4Endpoint e{};
    e.ip = a.sin_addr.s_addr;
    e.port = a.sin_port;
    return e;
}

}  // namespace

// ---- sockets
long SocketSendAll(SocketHandle s, const void* data, std::size_t length, int timeoutMs) {
    if (length == 0) {
        return 0;
    }
    if (s == kInvalidSocket || data == nullptr) {
        errno = EBADF;
        return -1;
    }
    DWORD timeout = timeoutMs >= 0 ? static_cast<DWORD>(timeoutMs == 0 ? 1 : timeoutMs) : 0;
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    const char* p = static_cast<const char*>(data);
    std::size_t left = length;
    while (left > 0) {
        const int n = send(s, p, static_cast<int>(left > 1 << 30 ? 1 << 30 : left), 0);
        if (n <= 0) {
            if (n < 0) {
                errno = LastSocketError();
            }
            return -1;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return static_cast<long>(length);
}

long SocketRecv(SocketHandle s, void* buffer, std::size_t length) {
    const int n = recv(s, static_cast<char*>(buffer), static_cast<int>(length), 0);
    if (n < 0) {
        errno = LastSocketError();
    }
    return n;
}

int LastSocketError() {
    switch (WSAGetLastError()) {
        case WSAEINTR:
            return EINTR;
        case WSAEWOULDBLOCK:
            return EAGAIN;
        case WSAETIMEDOUT:
            return ETIMEDOUT;
        case WSAECONNRESET:
            return ECONNRESET;
        case WSAECONNABORTED:
            return ECONNABORTED;
        case WSAENOTSOCK:
            return EBADF;
        default:
            return EIO;
    }
}

void CloseSocket(SocketHandle& s) {
    if (s != kInvalidSocket) {
        closesocket(s);
        s = kInvalidSocket;
    }
}

void ShutdownSocket(SocketHandle s) {
    if (s != kInvalidSocket) {
        shutdown(s, SD_BOTH);
    }
}

bool SetRecvTimeout(SocketHandle s, int milliseconds) {
    const DWORD value = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value),
                      sizeof(value)) == 0;
}

bool SetRecvBufferSize(SocketHandle s, int bytes) {
    return setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                      sizeof(bytes)) == 0;
}

bool SetNoDelay(SocketHandle s, bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value),
                      sizeof(value)) == 0;
}

int WaitReadable(SocketHandle s, int timeoutMs) {
    if (s == kInvalidSocket) {
        errno = EBADF;
        return -1;
    }
    WSAPOLLFD pfd{};
    pfd.fd = s;
    pfd.events = POLLRDNORM;
    const int r = WSAPoll(&pfd, 1, timeoutMs);
    if (r < 0) {
        errno = LastSocketError();
        return -1;
    }
    if (r > 0 && (pfd.revents & POLLNVAL) != 0) {
        errno = EBADF;
        return -1;
    }
    return r;
}

bool LocalEndpoint(SocketHandle s, Ipv4Endpoint& local) {
    sockaddr_in a{};
    int size = sizeof(a);
    if (getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        return false;
    }
    local = FromSockaddr(a);
    return true;
}

bool TcpListener::Open(const std::string& address, int port, int backlog) {
    Close();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    if (address.empty() || address == "0.0.0.0") {
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return false;
    }
    UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) {
        return false;
    }
    const BOOL one = TRUE;
    setsockopt(s.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one),
               sizeof(one));
    if (bind(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(s.get(), backlog) != 0 || !LocalEndpoint(s.get(), local_)) {
        return false;
    }
    socket_ = std::move(s);
    return true;
}

UniqueSocket TcpListener::Accept(Ipv4Endpoint* peer) const {
    sockaddr_in a{};
    int size = sizeof(a);
    UniqueSocket s(accept(socket_.get(), reinterpret_cast<sockaddr*>(&a), &size));
    if (s && peer != nullptr) {
        *peer = FromSockaddr(a);
    }
    if (!s) {
        errno = LastSocketError();
    }
    return s;
}

UniqueSocket ConnectTcp(const std::string& host, int port, int timeoutMs) {
    if (port <= 0 || port > 65535) {
        return UniqueSocket();
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
            return UniqueSocket();
        }
        addr.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
    }
    UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) {
        return UniqueSocket();
    }
    u_long nonBlocking = 1;
    ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    if (connect(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            return UniqueSocket();
        }
        WSAPOLLFD pfd{};
        pfd.fd = s.get();
        pfd.events = POLLWRNORM;
        if (WSAPoll(&pfd, 1, timeoutMs) <= 0 || (pfd.revents & (POLLERR | POLLHUP)) != 0) {
            return UniqueSocket();
        }
    }
    nonBlocking = 0;
    ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    return s;
}

// ---- files
namespace {
bool IdentifyHandle(HANDLE h, FileIdentity& identity, std::int64_t& size) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) {
        return false;
    }
    identity.device = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                     info.nFileSizeLow);
    return true;
}
}  // namespace

bool IdentifyPath(const std::string& path, FileIdentity& identity, std::int64_t& size) {
    HANDLE h =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool ok = IdentifyHandle(h, identity, size);
    CloseHandle(h);
    return ok;
}

AppendFile::AppendFile(AppendFile&& o) noexcept : fd_(o.fd_) {
    o.fd_ = -1;
}

AppendFile& AppendFile::operator=(AppendFile&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    fd_ = _wopen(Wide(path).c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY,
                 _S_IREAD | _S_IWRITE);
    return fd_ >= 0;
}

void AppendFile::Close() {
    if (fd_ >= 0) {
        _close(fd_);
        fd_ = -1;
    }
}

bool AppendFile::Append(const char* data, std::size_t size) {
    while (fd_ >= 0 && size > 0) {
        const int n = _write(fd_, data, static_cast<unsigned>(size > 1 << 30 ? 1 << 30 : size));
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
}

bool AppendFile::Identify(FileIdentity& identity, std::int64_t& size) const {
    if (fd_ < 0) {
        return false;
    }
    return IdentifyHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)), identity, size);
}

// ---- text
bool AnsiToUtf16(const char* text, WString& out) {
    out.clear();
    if (text == nullptr || *text == '\0') {
        return true;
    }
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0) {
        return false;
    }
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), n);
    out.assign(wide.begin(), wide.end() - 1);
    return true;
}

std::string Utf16ToAnsi(const WString& text) {
    if (text.empty()) {
        return std::string();
    }
    const auto* w = reinterpret_cast<const wchar_t*>(text.data());
    const int len = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, len, out.data(), n, nullptr, nullptr);
    return out;
}

bool IsValidUtf8(const std::string& bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::string DropInvalidUtf8(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t len = 1;
        const auto c = static_cast<unsigned char>(bytes[i]);
        len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len != 0 && i + len <= bytes.size() && IsValidUtf8(bytes.substr(i, len))) {
            out += bytes.substr(i, len);
            i += len;
        } else {
            ++i;
        }
    }
    return out;
}

bool Gb18030ToUtf8(const std::string& in, std::string& out) {
    out.clear();
    if (in.empty()) {
        return true;
    }
    const int n = MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, in.data(),
                                      static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) {
        return false;
    }
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                        wide.data(), n);
    out = Utf16ToAnsi(WString(wide.begin(), wide.end()));
    return true;
}

// ---- commands
namespace {
class StubCommandRunner : public ICommandRunner {
  public:
    int Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) override {
        if (argv.empty()) {
            return -1;
        }
        std::wstring line;
        for (const std::string& arg : argv) {
            line += (line.empty() ? L"\"" : L" \"") + Wide(arg) + L"\"";
        }
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi)) {
            return -1;
        }
        CloseHandle(pi.hThread);
        int status = -1;
        if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            status = static_cast<int>(code);
        } else {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
        }
        CloseHandle(pi.hProcess);
        return status;
    }
    void Cancel() override {}
    void Resume() override {}
};
}  // namespace

std::unique_ptr<ICommandRunner> MakeSystemCommandRunner() {
    return std::make_unique<StubCommandRunner>();
}

// ---- the rest
long RaiseFdLimitToHard() {
    return -1;
}

int CurrentThreadId() {
    return static_cast<int>(GetCurrentThreadId());
}

bool HasWirelessAdapter(const std::string&) {
    return false;
}

struct Md5Digest::State {
    BCRYPT_ALG_HANDLE alg = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~State() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (alg != nullptr) {
            BCryptCloseAlgorithmProvider(alg, 0);
        }
    }
};

Md5Digest::Md5Digest() : state_(std::make_unique<State>()) {
    ok_ = BCryptOpenAlgorithmProvider(&state_->alg, BCRYPT_MD5_ALGORITHM, nullptr, 0) >= 0 &&
          BCryptCreateHash(state_->alg, &state_->hash, nullptr, 0, nullptr, 0, 0) >= 0;
}

Md5Digest::~Md5Digest() = default;

bool Md5Digest::Update(const std::uint8_t* data, std::size_t size) {
    while (ok_ && size > 0) {
        const ULONG n = static_cast<ULONG>(size > (1u << 20) ? (1u << 20) : size);
        ok_ = BCryptHashData(state_->hash, const_cast<PUCHAR>(data), n, 0) >= 0;
        data += n;
        size -= n;
    }
    return ok_;
}

std::string Md5Digest::FinishHex() {
    unsigned char digest[16];
    if (!ok_ || BCryptFinishHash(state_->hash, digest, sizeof(digest), 0) < 0) {
        ok_ = false;
        return std::string();
    }
    ok_ = false;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

std::string Md5Digest::Hex(const std::uint8_t* data, std::size_t size) {
    Md5Digest digest;
    digest.Update(data, size);
    return digest.FinishHex();
}
