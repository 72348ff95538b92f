#include "app/HeadlessApp.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "LoopbackTestSupport.h"
#include "TempDir.h"

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

TEST(HeadlessApp, RunEndsCleanlyOnSigtermAndOnRequest) {
    ScopedLogDir logs;
    for (bool bySignal : {true, false}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "RequestStop");
        // The "Listening" line comes from the running loop, so the signal handler is in place.
        std::atomic<bool> listening{false};
        HeadlessOptions options = QuietLoopback();
        options.status = [&](const std::string& line) {
            listening = listening || line.rfind("Listening: ", 0) == 0;
        };
        HeadlessApp app(options);
        auto result = std::async(std::launch::async, [&] { return app.Run(); });
        ASSERT_TRUE(WaitUntil([&] { return listening.load(); }, 5s)) << "Run never listened";
        if (bySignal) {
            ::kill(::getpid(), SIGTERM);
        } else {
            app.RequestStop();
        }
        ASSERT_EQ(result.wait_for(3s), std::future_status::ready);
        EXPECT_EQ(result.get(), 0);
    }
}

TEST(HeadlessApp, StartsListeningAndStopsAgain) {
    ScopedLogDir logs;
    std::mutex mutex;
    std::vector<std::string> lines;
    HeadlessOptions options = QuietLoopback();
    options.status = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    };
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    EXPECT_FALSE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(2000));
    EXPECT_NE(app.Network().SessionPort(), 0);
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return !lines.empty();
        },
        5s))
        << "no status line came";
    ASSERT_TRUE(app.RunOnUi([] {}, 1s));
    app.Stop();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("Listening: monitor ports ", 0), 0u);
}

TEST(HeadlessApp, UpgradeFolderIsCheckedBeforeAnythingStarts) {
    ScopedLogDir logs;
    TempDir good;
    WriteFirmware(good.file("fw.bin"), "firmware");
    WriteFileBytes(good.file("lone.bin"), "no companion");
    TempDir bad;
    WriteFirmware(bad.file("bad.bin"), "original");
    WriteFileBytes(bad.file("bad.bin"), "0riginal");
    WriteFileBytes(bad.file("lone.bin"), "no companion");
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
         {"Refused: bad.bin: its MD5 does not match the .md5 companion",
          "Refused: lone.bin: no .md5 companion file",
          "Nothing to serve from " + bad.path() + ": no upgrade file passed its check"}},
        {good.path(),
         true,
         {"Refused: lone.bin: no .md5 companion file", "Serving 1 file(s) from " + good.path()}},
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

    // The program itself: usage on --help, a non-zero status when nothing can be served.
    const std::string tool =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/zr40tool";
    for (const auto& [args, status] : std::vector<std::pair<std::string, int>>{
             {"--help", 0}, {"--headless --upgrade-folder " + missing, 1}}) {
        std::string output;
        FILE* pipe =
            ::popen((tool + " " + args + " --log-dir " + logs.file("") + " 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
            output += buffer;
        }
        const int raw = ::pclose(pipe);
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status) << args << "\n" << output;
        EXPECT_NE(output.find(status == 0 ? "usage: " : "Cannot read the upgrade folder"),
                  std::string::npos)
            << output;
    }
}
