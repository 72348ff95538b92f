#include "SimCommandLine.h"

#include <cstdint>
#include <cstdlib>

#include "platform/SocketAddr.h"

namespace {

bool ToInt(const std::string& text, long low, long high, int& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool ToSeconds(const std::string& text, double& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= 0) || v > 1e7) {
        return false;
    }
    out = v;
    return true;
}

}  // namespace

std::string SimCommandLine::Usage() {
    return "usage: zr40-sim [options]\n"
           "Simulated patient monitors that connect to the service tool, report themselves,\n"
           "answer its orders and pull offered firmware.\n"
           "  --host H               tool address (default 127.0.0.1)\n"
           "  --port P               tool port (default 9500)\n"
           "  --count N              number of monitors, 1 to 1000 (default 1)\n"
           "  --duration S           run S seconds, then stop (default: until SIGINT/SIGTERM)\n"
           "  --exit-after-upgrade   stop once every monitor finished an upgrade or went offline\n"
           "  --keepalive-ms M       keep-alive interval in ms, 10 to 60000 (default 1000)\n"
           "  --refuse-orders        answer every order with a failure status\n"
           "  --drop-after-pieces K  close the connection after K firmware pieces\n"
           "  --leave-after-upgrade  close the connection right after an upgrade's result\n"
           "  --link-delay-ms D      hold each upgrade request D ms before sending it, 0 to 1000\n"
           "                         (a link's round trip; a ward's Wi-Fi takes 2 to 10)\n"
           "  --garbage              send junk bytes between frames\n"
           "  --byte-by-byte         write each frame one byte at a time\n"
           "  --silent               send no keep-alives (the tool drops the monitor after 6 s)\n"
           "  --flood-requests       stop reading and send upgrade requests back to back\n"
           "  --stall-handshake      a host that holds the handshake: after the greeting send\n"
           "                         one byte that is no frame each second, never finishing\n"
           "  --from ADDR            connect from this local address (e.g. 127.0.0.2)\n"
           "  --reconnect-half-open  after the reports, go silent on the connection without\n"
           "                         closing it and connect again with the same GUID 2.5 s later\n"
           "  --name-prefix X        device names are X001, X002, ... (default SIM-)\n"
           "  --quiet                print only the summary\n"
           "  --help                 show this text\n"
           "The program also ends when every connection is over.\n"
           "Exit status: 0 when all went well; 1 when a digest or upgrade failed, a monitor\n"
           "could not connect, or (with --exit-after-upgrade) a monitor finished no upgrade;\n"
           "2 for a bad command line.\n";
}

bool SimCommandLine::Parse(const std::vector<std::string>& args, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + a;
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--host") {
            if (!value(host) || host.empty()) {
                error = error.empty() ? "empty host" : error;
                return false;
            }
        } else if (a == "--port") {
            if (!value(v) || !ToInt(v, 1, 65535, port)) {
                error = error.empty() ? "invalid port: " + v : error;
                return false;
            }
        } else if (a == "--count") {
            if (!value(v) || !ToInt(v, 1, 1000, count)) {
                error = error.empty() ? "invalid count: " + v : error;
                return false;
            }
        } else if (a == "--duration") {
            if (!value(v) || !ToSeconds(v, durationSeconds)) {
                error = error.empty() ? "invalid duration: " + v : error;
                return false;
            }
        } else if (a == "--keepalive-ms") {
            if (!value(v) || !ToInt(v, 10, 60000, monitor.keepAliveMs)) {
                error = error.empty() ? "invalid keep-alive interval: " + v : error;
                return false;
            }
        } else if (a == "--leave-after-upgrade") {
            monitor.leaveAfterUpgrade = true;
        } else if (a == "--drop-after-pieces") {
            if (!value(v) || !ToInt(v, 0, 1 << 30, monitor.dropAfterPieces)) {
                error = error.empty() ? "invalid piece count: " + v : error;
                return false;
            }
        } else if (a == "--link-delay-ms") {
            if (!value(v) || !ToInt(v, 0, 1000, monitor.linkDelayMs)) {
                error = error.empty() ? "invalid link delay: " + v : error;
                return false;
            }
        } else if (a == "--name-prefix") {
            if (!value(namePrefix)) {
                return false;
            }
        } else if (a == "--exit-after-upgrade") {
            exitAfterUpgrade = true;
        } else if (a == "--refuse-orders") {
            monitor.refuseOrders = true;
        } else if (a == "--garbage") {
            monitor.garbage = true;
        } else if (a == "--byte-by-byte") {
            monitor.byteByByte = true;
        } else if (a == "--silent") {
            monitor.silent = true;
        } else if (a == "--flood-requests") {
            monitor.floodRequests = true;
            monitor.recvBufferBytes = 4096;  // a small window fills sooner
        } else if (a == "--reconnect-half-open") {
            monitor.reconnectHalfOpen = true;
        } else if (a == "--stall-handshake") {
            monitor.stallHandshake = true;
        } else if (a == "--from") {
            std::uint32_t ip = 0;
            if (!value(monitor.localAddress) || !ParseDottedIpv4(monitor.localAddress, ip)) {
                error = error.empty() ? "--from needs a dotted IPv4 address" : error;
                return false;
            }
        } else if (a == "--quiet") {
            quiet = true;
        } else {
            error = "unknown option: " + a;
            return false;
        }
    }
    return true;
}
