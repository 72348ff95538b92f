#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"

using namespace std::chrono_literals;

// Without --headless the Windows program opens its window (tested with the window's own
// tests); --help, --version and bad command lines answer at once, as on Linux.
TEST(Win32Program, AnswersAtOnceWithoutOpeningTheWindow) {
    const std::unique_ptr<ICommandRunner> runner = MakeSystemCommandRunner();
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"--port-base", "x"}, 2},          {{"--screenshots"}, 2}, {{"-h"}, 0}, {{"--version"}, 0},
        {{"--headless", "--port-base"}, 2},
    };
    for (const auto& [args, status] : runs) {
        std::vector<std::string> argv = {ZR40_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        // a bound against a hang only: Wine starts a program slowly on a loaded machine
        EXPECT_EQ(runner->Run(argv, 60s), status) << (args.empty() ? "(none)" : args[0]);
    }
}
