#include "TcpState.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ProcessResources.h"

namespace {

struct TcpRow {
    bool listed = false;
    int state = kTcpGone;
    long unread = -1;
};

// The row of the connection from localPort to remotePort; false when the table cannot be read.
bool FindTcpRow(int localPort, int remotePort, TcpRow& row) {
    std::ifstream table(RunningUnderWine() ? "Z:/proc/net/tcp" : "/proc/net/tcp");
    if (!table) {
        return false;
    }
    std::string line;
    std::getline(table, line);  // the column heads
    while (std::getline(table, line)) {
        // "  12: 0100007F:1F90 0100007F:C350 01 00000000:00000000 ..." (hexadecimal): slot,
        // local and remote address:port, state, send queue:receive queue
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues;
        if (!(fields >> slot >> local >> remote >> state >> queues)) {
            continue;
        }
        const auto afterColon = [](const std::string& text) {
            const std::size_t colon = text.find(':');
            return colon == std::string::npos ? -1L
                                              : std::strtol(text.c_str() + colon + 1, nullptr, 16);
        };
        if (afterColon(local) == localPort && afterColon(remote) == remotePort) {
            row.listed = true;
            row.state = static_cast<int>(std::strtol(state.c_str(), nullptr, 16));
            row.unread = afterColon(queues);
            return true;
        }
    }
    return true;
}

}  // namespace

int TcpStateOf(int localPort, int remotePort) {
    TcpRow row;
    return FindTcpRow(localPort, remotePort, row) ? row.state : kTcpUnknown;
}

long UnreadTcpBytes(int localPort, int remotePort) {
    TcpRow row;
    return FindTcpRow(localPort, remotePort, row) && row.listed ? row.unread : -1;
}
