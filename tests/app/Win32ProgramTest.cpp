#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "TempDir.h"
#include "platform/SingleInstance.h"

using namespace std::chrono_literals;

// Without --headless the Windows program opens its window (tested with the window's own
// tests); --help, --version and bad command lines answer at once, as on Linux.
TEST(Win32Program, AnswersAtOnceWithoutOpeningTheWindow) {
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"--port-base", "x"}, 2},          {{"--screenshots"}, 2}, {{"-h"}, 0}, {{"--version"}, 0},
        {{"--headless", "--port-base"}, 2},
    };
    TempDir dir;
    int run = 0;
    for (const auto& [args, status] : runs) {
        std::vector<std::string> argv = {ZR40_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        // a file of its own for each run: Wine's desktop process may still hold the last one
        const std::string out = dir.file("answer" + std::to_string(run++) + ".out");
        // a bound against a hang only: Wine starts a program slowly on a loaded machine
        EXPECT_EQ(RunProgramToFile(argv, out, 60s), status) << (args.empty() ? "(none)" : args[0]);
    }
}

// A second start of the window program on the ports of a running copy (here the test, holding
// the lock, with no window to bring forward) ends at once with 0 instead of opening a window.
TEST(Win32Program, SecondWindowOnTheSamePortsEndsAtOnce) {
    const int base = 30000 + static_cast<int>(std::random_device{}() % 20000);
    const SingleInstance first(InstanceKeyForPort(base));
    ASSERT_EQ(first.GetState(), SingleInstance::State::Held);
    TempDir dir;
    const std::string said = dir.file("second.out");
    EXPECT_EQ(RunProgramToFile({ZR40_TOOL_PATH, "--port-base", std::to_string(base)}, said, 60s),
              0);
    const std::string text = ReadFileText(said);
    EXPECT_EQ(text.rfind("Zr40Tool is already running", 0), 0u) << text;
    EXPECT_EQ(first.GetState(), SingleInstance::State::Held);
}
