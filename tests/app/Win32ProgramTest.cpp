#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"

using namespace std::chrono_literals;

// Until the desktop window exists, the Windows program without --headless refuses to start
// (2); --help, --version and bad headless command lines behave as on Linux.
TEST(Win32Program, EndsAtOnceWithoutHeadless) {
    const std::unique_ptr<ICommandRunner> runner = MakeSystemCommandRunner();
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{}, 2},
        {{"--port-base", "20000"}, 2},
        {{"-h"}, 0},
        {{"--version"}, 0},
        {{"--headless", "--port-base"}, 2},
    };
    for (const auto& [args, status] : runs) {
        std::vector<std::string> argv = {ZR40_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_EQ(runner->Run(argv, 20s), status) << (args.empty() ? "(none)" : args[0]);
    }
}
