#include "app/EventLoopUiThread.h"

#include <gtest/gtest.h>

#include "LoopbackTestSupport.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(EventLoopUiThread, RunsTasksFromManyThreadsInPostingOrderOnOneThread) {
    EventLoopUiThread ui;
    std::mutex lock;
    std::vector<std::pair<int, int>> seen;
    std::atomic<int> wrongThread{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                ui.Post([&, t, i] {
                    wrongThread += ui.IsLoopThread() ? 0 : 1;
                    std::lock_guard<std::mutex> g(lock);
                    seen.emplace_back(t, i);
                });
            }
        });
    }
    for (auto& p : posters) {
        p.join();
    }
    ASSERT_TRUE(ui.Flush(2s));
    ASSERT_EQ(seen.size(), 800u);
    EXPECT_EQ(wrongThread.load(), 0);
    std::vector<int> last(4, -1);
    for (auto [t, i] : seen) {
        EXPECT_EQ(i, last[t] + 1);  // each poster's tasks keep their order
        last[t] = i;
    }
}

TEST(EventLoopUiThread, TimersTickBetweenTasksAndStopWhenKilled) {
    EventLoopUiThread ui;
    std::atomic<int> ticks{0};
    ui.SetTimer(1, 5ms, [&] { ++ticks; });
    // A steady stream of tasks does not starve the timer: the queue never runs dry.
    ASSERT_TRUE(WaitUntil(
        [&] {
            ui.Post([] { std::this_thread::sleep_for(100us); });
            return ticks.load() >= 3;
        },
        5s))
        << "the timer did not tick while tasks kept coming";
    ASSERT_TRUE(ui.Flush(5s));
    // Nor does a tick slower than its period starve the tasks (a busy machine).
    std::atomic<int> slowTicks{0};
    ui.SetTimer(3, 1ms, [&] {
        ++slowTicks;
        std::this_thread::sleep_for(3ms);
    });
    ASSERT_TRUE(WaitUntil([&] { return slowTicks.load() >= 2; }, 5s));
    EXPECT_TRUE(ui.Flush(2s)) << "a task waited behind a timer that kept being due";
    ui.KillTimer(3);
    ui.KillTimer(1);
    ASSERT_TRUE(ui.Flush(1s));
    const int after = ticks.load();
    // A second timer of the same period ticks three times; the killed one must not tick once.
    std::atomic<int> witness{0};
    ui.SetTimer(2, 5ms, [&] { ++witness; });
    ASSERT_TRUE(WaitUntil([&] { return witness.load() >= 3; }, 5s)) << "timer 2 never ticked";
    EXPECT_EQ(ticks.load(), after);
}

TEST(EventLoopUiThread, DestructorJoinsPromptlyAndDropsWhatIsLeft) {
    std::atomic<int> ran{0};
    std::atomic<bool> started{false};
    const auto start = std::chrono::steady_clock::now();
    {
        EventLoopUiThread ui;
        ui.Post([&] {
            started = true;
            std::this_thread::sleep_for(20ms);
            ++ran;
        });
        for (int i = 0; i < 100; ++i) {
            ui.Post([&] {
                std::this_thread::sleep_for(20ms);
                ++ran;
            });
        }
        ASSERT_TRUE(WaitUntil([&] { return started.load(); }, 5s)) << "no task ran";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_LE(ran.load(), 2);
}
