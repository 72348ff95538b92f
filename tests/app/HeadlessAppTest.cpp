#include "app/HeadlessApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BackgroundRun.h"
#include "LoopbackTestSupport.h"
#include "ProgramRun.h"
#include "ScopedEnvVar.h"
#include "StatusLines.h"
#include "TempDir.h"
#include "platform/SingleInstance.h"

using namespace std::chrono_literals;

namespace {

bool Parse(std::vector<std::string> args, HeadlessOptions& options, std::string& error) {
    args.insert(args.begin(), "zr40tool");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    return HeadlessApp::ParseArguments(static_cast<int>(argv.size()), argv.data(), options, error);
}

HeadlessOptions QuietLoopback() {
    HeadlessOptions options;
    options.network = LoopbackTestSettings();
    options.status = [](const std::string&) {};
    options.hearSessionEnd = false;  // no window from inside the test
    return options;
}

}  // namespace

TEST(HeadlessApp, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        int portA, portB, portC, portD;
        std::string folder, logDir;
    };
    const std::vector<Case> cases = {
        {{"--headless"}, true, 5510, 5590, 5595, 9500, "", ""},
        {{"--headless", "--port-base", "20000", "--upgrade-folder", "fw", "--log-dir", "logs"},
         true,
         20000,
         20017,
         20018,
         20019,
         "fw",
         "logs"},
        {{"--headless", "--port-base", "0"}, true, 0, 0, 0, 0, "", ""},
        {{"--upgrade-folder", "fw"}, false, 0, 0, 0, 0, "", ""},
        {{"--headless", "--port-base"}, false, 0, 0, 0, 0, "", ""},
        {{"--headless", "--port-base", "65530"}, false, 0, 0, 0, 0, "", ""},
        {{"--headless", "--port-base", "12x"}, false, 0, 0, 0, 0, "", ""},
        {{"--headless", "--bogus"}, false, 0, 0, 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
        HeadlessOptions options;
        std::string error;
        ASSERT_EQ(Parse(c.args, options, error), c.ok) << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.network.portA, c.portA);
        EXPECT_EQ(options.network.portB, c.portB);
        EXPECT_EQ(options.network.portC, c.portC);
        EXPECT_EQ(options.network.portD, c.portD);
        EXPECT_EQ(options.upgradeFolder, c.folder);
        EXPECT_EQ(options.logDir, c.logDir);
        EXPECT_EQ(options.network.startPauseMs, 5000);
    }
}

TEST(HeadlessApp, RunEndsCleanlyOnRequest) {
    ScopedLogDir logs;
    // Twice: a request made before Run still ends it, and none is left over for the next run.
    for (bool early : {true, false}) {
        SCOPED_TRACE(early ? "before Run" : "while running");
        std::atomic<bool> listening{false};
        HeadlessOptions options = QuietLoopback();
        options.status = [&](const std::string& line) {
            listening = listening || line.rfind("Listening: ", 0) == 0;
        };
        HeadlessApp app(options);
        if (early) {
            app.RequestStop();
        }
        BackgroundRun run([&] { return app.Run(); }, [&] { app.RequestStop(); });
        if (!early) {
            ASSERT_TRUE(WaitUntil([&] { return listening.load(); }, 5s)) << "Run never listened";
            app.RequestStop();
        }
        ASSERT_TRUE(run.EndsWithin(5s));
        EXPECT_EQ(run.Result(), 0);
    }
}

TEST(HeadlessApp, StartsListeningAndStopsAgain) {
    ScopedLogDir logs;
    StatusLines status;
    HeadlessOptions options = QuietLoopback();
    options.status = status.Sink();
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    EXPECT_FALSE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(2000));
    EXPECT_NE(app.Network().SessionPort(), 0);
    ASSERT_TRUE(WaitUntil([&] { return !status.All().empty(); }, 5s)) << "no status line came";
    ASSERT_TRUE(app.RunOnUi([] {}, 1s));
    app.Stop();
    const std::vector<std::string> lines = status.All();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("Listening: monitor ports ", 0), 0u);
}

TEST(HeadlessApp, UpgradeFolderIsCheckedBeforeAnythingStarts) {
    ScopedLogDir logs;
    TempDir good;
    WriteFirmware(good.file("fw.bin"), "firmware");
    WriteFileBytes(good.file("readme.txt"), "how to flash");
    WriteFileBytes(good.file("Thumbs.db"), "thumbnails");
    TempDir bad;
    WriteFirmware(bad.file("bad.bin"), "original");
    WriteFileBytes(bad.file("bad.bin"), "0riginal");
    WriteFirmware(bad.file("fw.bin"), "firmware");
    WriteFileBytes(bad.file("lone.bin"), "no companion");
    TempDir none;
    WriteFileBytes(none.file("lone.bin"), "no companion");
    const std::string missing = good.file("none");
    struct Case {
        std::string folder;
        bool starts;
        std::vector<std::string> lines;  // the first lines, in order
    };
    const std::vector<Case> cases = {
        {missing,
         false,
         {"Cannot read the upgrade folder " + missing + ": it does not exist or is no folder"}},
        {bad.path(),
         false,
         {"Refused: bad.bin: its MD5 does not match the .md5 companion", "Ignored: lone.bin",
          "The upgrade is not started: every file of the firmware set must pass its check"}},
        {none.path(),
         false,
         {"Ignored: lone.bin",
          "Nothing to serve from " + none.path() + ": no firmware file with its .md5 companion"}},
        {good.path(), true, {"Ignored: readme.txt", "Serving 1 file(s) from " + good.path()}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        HeadlessOptions options = QuietLoopback();
        options.upgradeFolder = c.folder;
        options.status = [&](const std::string& line) { lines.push_back(line); };
        HeadlessApp app(options);
        EXPECT_EQ(app.Start(), c.starts) << c.folder;
        lines.resize(std::min(lines.size(), c.lines.size()));
        EXPECT_EQ(lines, c.lines);
        if (!c.starts) {
            EXPECT_EQ(app.Run(), 1) << c.folder;
        }
    }

    // The program itself: usage on --help, 1 when nothing can be served or the set is damaged
    // (2 is a bad command line), each run bounded.
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"--help"}, 0},
        {{"--headless", "--upgrade-folder", missing, "--log-dir", logs.file("")}, 1},
        {{"--headless", "--upgrade-folder", bad.path(), "--log-dir", logs.file("")}, 1},
        {{"--headless", "--log-dir", logs.file(""), "--bogus"}, 2},
    };
    int run = 0;
    for (const auto& [args, status] : runs) {
        std::vector<std::string> argv = {ZR40_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string out = logs.file("run" + std::to_string(run++) + ".out");
        EXPECT_EQ(RunProgramToFile(argv, out, 20s), status) << args.back();
    }
}

namespace {

// A port base of this test's own, so parallel runs of the suite never share a lock.
int OwnPortBase() {
    return 30000 + static_cast<int>(std::random_device{}() % 20000);
}

}  // namespace

// A second copy on the same ports ends at once with its message and leaves the first copy (here
// the test, holding the lock) untouched; copies on ephemeral ports take no lock at all.
TEST(HeadlessApp, SecondCopyOnTheSamePortsEndsAtOnce) {
    TempDir runtime;
    const ScopedEnvVar lockFolder("XDG_RUNTIME_DIR", runtime.path());
    ScopedLogDir logs;
    const int base = OwnPortBase();
    const SingleInstance first(InstanceKeyForPort(base));
    ASSERT_EQ(first.GetState(), SingleInstance::State::Held);

    HeadlessOptions options = QuietLoopback();
    options.network = NetworkListenSettings::Compact(base);
    HeadlessApp second(options);
    testing::internal::CaptureStderr();
    BackgroundRun run([&] { return second.Run(); }, [&] { second.RequestStop(); });
    const bool endedAtOnce = run.EndsWithin(10s);
    if (!endedAtOnce) {
        second.RequestStop();  // it ran as if alone: end it, then fail
    }
    EXPECT_TRUE(endedAtOnce);
    EXPECT_EQ(run.Result(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("Zr40Tool is already running\n", 0), 0u) << said;
    EXPECT_NE(said.find(std::to_string(base)), std::string::npos) << said;

    // The program itself; without the check it would listen until the bound ends it.
    EXPECT_EQ(RunProgramToFile({ZR40_TOOL_PATH, "--headless", "--port-base", std::to_string(base),
                                "--log-dir", logs.file("")},
                               logs.file("second.out"), 60s),
              1);
    EXPECT_EQ(first.GetState(), SingleInstance::State::Held);
    EXPECT_EQ(InstancePort(LoopbackTestSettings()), 0);
    EXPECT_EQ(InstancePort(NetworkListenSettings{}), 5510);
}
