#include "TcpState.h"

#include <fstream>
#include <sstream>
#include <string>

#include "ProcessResources.h"

int TcpStateOf(int localPort, int remotePort) {
    std::ifstream table(RunningUnderWine() ? "Z:/proc/net/tcp" : "/proc/net/tcp");
    if (!table) {
        return kTcpUnknown;
    }
    std::string line;
    std::getline(table, line);  // the column heads
    while (std::getline(table, line)) {
        // "  12: 0100007F:1F90 0100007F:C350 01 ..." (addresses and ports in hexadecimal)
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        if (!(fields >> slot >> local >> remote >> state)) {
            continue;
        }
        const auto portOf = [](const std::string& endpoint) {
            const std::size_t colon = endpoint.find(':');
            return colon == std::string::npos ? -1
                                              : std::stoi(endpoint.substr(colon + 1), nullptr, 16);
        };
        if (portOf(local) == localPort && portOf(remote) == remotePort) {
            return std::stoi(state, nullptr, 16);
        }
    }
    return kTcpGone;
}
