#pragma once
// Monitors for page tests: a test-owned pool, upgrade manager, monitor table and list, and per
// monitor a socket pair whose far end the test reads the frames from.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace pagetest {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
    std::uint16_t len = 0, cmd = 0, serial = 0;
    bool checksumOk = false;
    Bytes body;
};

// Texts shown as "T<n>", so every caption names the text it came from.
inline std::string FakeText(int index) {
    return "T" + std::to_string(index);
}

inline GUID Key(std::uint8_t n) {
    GUID g{};
    g.Data2 = 0x4321;
    g.Data4[7] = n;
    return g;
}

class Fleet {
  public:
    struct Device {
        MonitorObject* monitor = nullptr;
        int ours = -1;    // the monitor's socket, handed to the page
        int theirs = -1;  // the far end, read by the test
    };

    Fleet() : table(pool, upgrade) {
        table.SetTextLookup(FakeText);
        table.SetList(&list);
    }
    ~Fleet() {
        for (Device& d : devices) {
            ::close(d.ours);
            ::close(d.theirs);
        }
    }
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    // A monitor with a socket and its row in the list.
    MonitorObject* Connect(std::uint8_t n) {
        MonitorObject* m = pool.GetAvailableObj(Key(n));
        if (m == nullptr) {
            return nullptr;
        }
        m->SetGuid(Key(n));
        int fds[2] = {-1, -1};
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
            return nullptr;
        }
        SocketAddr peer;
        peer.sock = fds[0];
        peer.addr.sin_family = AF_INET;
        peer.addr.sin_addr.s_addr = htonl(0xC0A80100u + n);
        m->SetPeer(peer);
        devices.push_back({m, fds[0], fds[1]});
        table.Refresh();
        return m;
    }
    void Check(MonitorObject* m, bool checked = true) {
        int row = -1;
        if (table.FindRow(m, row)) {
            list.SetCheck(row, checked);
        }
    }
    void Disconnect(std::uint8_t n, MonitorObject* m) { pool.ReleaseObj(Key(n), m); }

    // The far end of the monitor's latest socket (a slot is reused after a disconnect).
    int Far(MonitorObject* m) const {
        for (auto it = devices.rbegin(); it != devices.rend(); ++it) {
            if (it->monitor == m) {
                return it->theirs;
            }
        }
        return -1;
    }

    // True when a byte is waiting on the monitor's far end.
    bool HasData(MonitorObject* m, int timeoutMs = 0) const {
        pollfd p{Far(m), POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }

    // The next whole frame the page sent to the monitor (len 0 when none arrived in time).
    Frame ReadFrame(MonitorObject* m) const {
        Frame f;
        Bytes head;
        if (!ReadExactly(Far(m), kCmpHeadSize, head)) {
            return f;
        }
        const std::uint16_t len = ReadLe16(head.data());
        Bytes body;
        if (len < kCmpHeadSize || !ReadExactly(Far(m), len - kCmpHeadSize, body)) {
            return f;
        }
        Bytes whole = head;
        whole.insert(whole.end(), body.begin(), body.end());
        f.len = len;
        f.cmd = ReadLe16(head.data() + 2);
        f.serial = ReadLe16(head.data() + 4);
        f.checksumOk = CmpChecksum(whole.data(), static_cast<std::int32_t>(whole.size())) == 0;
        f.body = std::move(body);
        return f;
    }

    template <typename F>
    void EditAttribute(MonitorObject* m, F change) {
        MonitorAttribute a;
        m->GetStatus()->GetMonitorAttribute(&a);
        change(a);
        m->GetStatus()->SetMonitorAttribute(&a);
    }

    CMonitorObjectMng pool;
    UpdateConfigManager upgrade;
    MonitorListModel list;
    CMonitorTable table;
    std::vector<Device> devices;

  private:
    static bool ReadExactly(int fd, std::size_t n, Bytes& out) {
        out.assign(n, 0);
        std::size_t got = 0;
        while (got < n) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) != 1) {
                return false;
            }
            ssize_t r = ::recv(fd, out.data() + got, n - got, 0);
            if (r <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(r);
        }
        return true;
    }
};

}  // namespace pagetest
