#pragma once
// The tool's server on ephemeral loopback ports with a pool of its own, listening once built.
#include <cstddef>
#include <memory>

#include "LoopbackTestSupport.h"
#include "network/NetworkListenManager.h"
#include "registry/CMonitorObjectMng.h"

struct LoopbackServer {
    explicit LoopbackServer(NetworkListenSettings settings = LoopbackTestSettings());

    int Port() const { return manager->SessionPort(); }
    MonitorObject* Find(const GUID& key) const { return pool.FindObj(key); }
    // Monitors that finished their handshake.
    std::size_t Online() const { return pool.SnapshotIndex().size(); }
    // Pool slots in use.
    int Occupied();

    CMonitorObjectMng pool;
    // Held by pointer so a test can stop the server before the pool goes.
    std::unique_ptr<NetworkListenManager> manager;
};
