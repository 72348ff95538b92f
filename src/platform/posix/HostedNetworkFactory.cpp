#include "platform/CommandRunner.h"
#include "platform/HostedNetwork.h"
#include "platform/HostedNetworkNmcli.h"

HostedNetwork& GetHostedNetwork() {
    static const std::unique_ptr<ICommandRunner> runner =
        MakeSystemCommandRunner();  // outlives the network that uses it
    static NmcliHostedNetwork network(*runner, FindProgramIn(kNmcliFolders, "nmcli"));
    return network;
}
