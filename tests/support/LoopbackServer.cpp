#include "LoopbackServer.h"

#include <gtest/gtest.h>

LoopbackServer::LoopbackServer(NetworkListenSettings settings)
    : manager(std::make_unique<NetworkListenManager>(std::move(settings), pool)) {
    manager->StartNetworkManager();
    EXPECT_TRUE(manager->WaitListening(5000)) << "the server did not listen";
}

int LoopbackServer::Occupied() {
    int n = 0;
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        n += pool.GetUseCount(pool.Slot(i)) == 1 ? 1 : 0;
    }
    return n;
}
