// The caps on session connections: all handshakes, one address's handshakes, all sessions.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "network/ConnectionAdmission.h"

namespace {

Ipv4Endpoint Host(std::uint8_t last) {
    std::uint32_t ip = 0;
    ParseDottedIpv4("10.0.0." + std::to_string(last), ip);
    return Ipv4Endpoint{ip, HostToNet16(40000)};
}

}  // namespace

TEST(ConnectionAdmission, CapsHoldAndTicketsGiveTheirPlacesBack) {
    ScopedLogDir logs;
    ConnectionAdmission admission(AdmissionLimits{3, 2, 4, 60000});
    std::vector<std::unique_ptr<ConnectionAdmission::Ticket>> held;
    // Steps: admit from a host, or end the oldest held ticket's handshake; whether admitted.
    struct Step {
        int host;  // 0: end the handshake of the first ticket still in its handshake
        bool admitted;
        int handshakes;
        int sessions;
    };
    const Step steps[] = {
        {1, true, 1, 1}, {1, true, 2, 2},  {1, false, 2, 2},  // host 1 has its share
        {2, true, 3, 3}, {3, false, 3, 3},                    // all handshakes taken
        {0, true, 2, 3}, {3, true, 3, 4},                     // one online: room again
        {0, true, 2, 4}, {4, false, 2, 4},                    // four sessions in all
    };
    std::size_t nextToEnd = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "host " << step.host);
        if (step.host == 0) {
            held.at(nextToEnd++)->EndHandshake();
        } else {
            auto ticket = admission.Admit(Host(static_cast<std::uint8_t>(step.host)));
            EXPECT_EQ(ticket != nullptr, step.admitted);
            if (ticket) {
                held.push_back(std::move(ticket));
            }
        }
        EXPECT_EQ(admission.Handshakes(), step.handshakes);
        EXPECT_EQ(admission.Sessions(), step.sessions);
    }
    held.front()->EndHandshake();  // a second end gives nothing back twice
    EXPECT_EQ(admission.Handshakes(), 2);
    held.clear();
    EXPECT_EQ(admission.Handshakes(), 0);
    EXPECT_EQ(admission.Sessions(), 0);
    EXPECT_EQ(admission.Refused(), 3u);
    // The first refusal is written; the rest fall within the line interval and are counted.
    const std::string trace = ReadLogText(logs.file("Trace.log"));
    EXPECT_EQ(CountOccurrences(trace,
                               "Connection refused,ip=10.0.0.1,port=40000,reason=too many "
                               "handshakes from this address,refused since the last line=1"),
              1);
    EXPECT_EQ(CountOccurrences(trace, "Connection refused"), 1);
}
