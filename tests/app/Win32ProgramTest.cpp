#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"
#include "platform/SingleInstance.h"

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

// A second start of the window program on the ports of a running copy (here the test, holding
// the lock, with no window to bring forward) ends at once with 0 instead of opening a window.
TEST(Win32Program, SecondWindowOnTheSamePortsEndsAtOnce) {
    const int base = 30000 + static_cast<int>(std::random_device{}() % 20000);
    const SingleInstance first(InstanceKeyForPort(base));
    ASSERT_EQ(first.GetState(), SingleInstance::State::Held);
    const std::unique_ptr<ICommandRunner> runner = MakeSystemCommandRunner();
    const CommandResult result =
        runner->RunCapturing({ZR40_TOOL_PATH, "--port-base", std::to_string(base)}, 60s);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output.rfind("Zr40Tool is already running", 0), 0u) << result.output;
    EXPECT_EQ(first.GetState(), SingleInstance::State::Held);
}
