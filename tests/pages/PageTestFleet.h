#pragma once
// Monitors for page tests: a test-owned pool, upgrade manager, monitor table and list, and per
// monitor a link whose far end the test reads the frames from.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "MonitorLink.h"
#include "TestBytes.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"
#include "upgrade/UpdateConfigManager.h"

namespace pagetest {

using ::Bytes;
using Frame = ParsedFrame;

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
        MonitorLink link;  // near end handed to the page, far end read by the test
    };

    Fleet() : table(pool, upgrade) {
        table.SetTextLookup(FakeText);
        table.SetList(&list);
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
        MonitorLink link;
        if (!link) {
            return nullptr;
        }
        SocketAddr peer;
        peer.sock = link.Near();
        // 192.168.1.n, stored in network byte order
        const std::uint8_t address[4] = {192, 168, 1, n};
        std::memcpy(&peer.addr.ip, address, sizeof address);
        m->SetPeer(peer);
        devices.push_back({m, std::move(link)});
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

    // The monitor's latest link (a slot is reused after a disconnect); null for a stranger.
    const MonitorLink* Link(MonitorObject* m) const {
        for (auto it = devices.rbegin(); it != devices.rend(); ++it) {
            if (it->monitor == m) {
                return &it->link;
            }
        }
        return nullptr;
    }

    // True when a byte is waiting on the monitor's far end.
    bool HasData(MonitorObject* m, int timeoutMs = 0) const {
        return Link(m) != nullptr && Link(m)->HasData(timeoutMs);
    }

    // The next whole frame the page sent to the monitor (len 0 when none arrived in time).
    Frame ReadFrame(MonitorObject* m) const {
        return Link(m) != nullptr ? ParseFrame(Link(m)->ReadFrame()) : Frame{};
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
};

}  // namespace pagetest
