#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "platform/Utf8Path.h"
#include "record/CsvText.h"
#include "record/RecordFormat.h"
#include "record/RecordVerifier.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"

namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 20s;

ServiceEntry Entry(const std::string& name, const std::string& guid = "{G}") {
    ServiceEntry entry;
    entry.action = kActionModuleSet;
    entry.guid = guid;
    entry.deviceName = name;
    entry.result = kResultAcknowledged;
    return entry;
}

ServiceRecordOptions Options(const std::string& folder) {
    ServiceRecordOptions options;
    options.folder = folder;
    options.pc = "PC";
    options.user = "nurse";
    options.retryPeriod = 10ms;
    options.answerWait = 50ms;
    return options;
}

// The one record file in the folder (the month of the test run).
std::string RecordFile(const std::string& folder) {
    for (const auto& item : std::filesystem::directory_iterator(PathFromUtf8(folder))) {
        return Utf8FromPath(item.path());
    }
    return std::string();
}

std::vector<CsvRecord> Records(const std::string& text) {
    bool wellFormed = false;
    std::vector<CsvRecord> records = ReadCsvRecords(text, wellFormed);
    EXPECT_TRUE(wellFormed);
    return records;
}

// A record of `count` entries written through the writer; its text.
std::string WrittenRecord(const TempDir& dir, int count) {
    ServiceRecord record;
    EXPECT_TRUE(record.Open(Options(dir.path())));
    for (int i = 0; i < count; ++i) {
        record.Append(Entry("Bed " + std::to_string(i)));
    }
    EXPECT_TRUE(record.WaitWritten(kWait));
    record.Close();
    return ReadFileText(RecordFile(dir.path()));
}

}  // namespace

TEST(CsvText, HostileNamesRoundTripAsTheSameColumns) {
    struct Case {
        std::string name;
        std::string read;  // what a CSV reader gives back
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"Bed 3, ward B", "Bed 3, ward B"},
        {"say \"hi\"", "say \"hi\""},
        {"two\r\nlines", "two\r\nlines"},
        {"line\nfeed", "line\nfeed"},
        {"bell\x07"
         "and\x1b",
         "bell\\x07and\\x1B"},
        {"=HYPERLINK(\"x\")", "'=HYPERLINK(\"x\")"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"床位 7,\"病区\"", "床位 7,\"病区\""},
        {"", ""},
    };
    for (const Case& c : cases) {
        const std::string line = CsvLine({"before", c.name, "after"}) + "\r\n";
        const std::vector<CsvRecord> records = Records(std::string(kUtf8Bom) + line + line);
        ASSERT_EQ(records.size(), 2u) << c.name;
        for (const CsvRecord& record : records) {
            ASSERT_EQ(record.fields.size(), 3u) << c.name;
            EXPECT_EQ(record.fields[1], c.read);
            EXPECT_EQ(record.fields[2], "after");
        }
    }
}

TEST(RecordVerifier, NamesTheLineChangedRemovedOrInserted) {
    TempDir dir;
    const std::string intact = WrittenRecord(dir, 5);
    ASSERT_EQ(intact.substr(0, 3), kUtf8Bom);
    // line starts: 1 header, 2..6 entries
    std::vector<std::size_t> starts = {3};
    for (std::size_t at = intact.find('\n'); at + 1 < intact.size();
         at = intact.find('\n', at + 1)) {
        starts.push_back(at + 1);
    }
    ASSERT_EQ(starts.size(), 6u);
    auto line = [&](int n) {
        const std::size_t begin = starts[n - 1];
        const std::size_t end = n < 6 ? starts[n] : intact.size();
        return intact.substr(begin, end - begin);
    };
    auto changedByte = [&](int n, std::size_t offset) {
        std::string text = intact;
        text[starts[n - 1] + offset] ^= 0x01;
        return text;
    };
    auto without = [&](int n) {
        std::string text = intact;
        return text.erase(starts[n - 1], line(n).size());
    };
    auto with = [&](int n, const std::string& extra) {
        std::string text = intact;
        return text.insert(starts[n - 1], extra);
    };
    struct Case {
        const char* what;
        std::string text;
        int line;  // 0: intact
        const char* kind;
    };
    const std::vector<Case> cases = {
        {"untouched", intact, 0, ""},
        {"a byte of an entry", changedByte(3, 40), 3, "changed"},
        {"a byte of the last entry", changedByte(6, 40), 6, "changed"},
        {"a byte of a digest", changedByte(4, line(4).size() - 5), 4, "changed"},
        {"the header", changedByte(1, 2), 1, "header"},
        {"an entry removed", without(3), 3, "removed"},
        {"the first entry removed", without(2), 2, "removed"},
        {"a copied entry inserted", with(4, line(2)), 4, "inserted"},
        {"an entry inserted first", with(2, line(5)), 2, "inserted"},
    };
    for (const Case& c : cases) {
        const RecordCheck check = VerifyRecordText(c.text);
        EXPECT_EQ(check.intact, c.line == 0) << c.what;
        EXPECT_EQ(check.line, c.line) << c.what << ": " << check.problem;
        EXPECT_NE(check.problem.find(c.kind), std::string::npos) << c.what << ": " << check.problem;
    }
    EXPECT_EQ(VerifyRecordText(intact).entries, 5);
}

TEST(ServiceRecord, ConcurrentEntriesLeaveWholeChainedLines) {
    TempDir dir;
    constexpr int kThreads = 16;
    constexpr int kEach = 40;
    {
        ServiceRecord record;
        ASSERT_TRUE(record.Open(Options(dir.path())));
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&record, t] {
                for (int i = 0; i < kEach; ++i) {
                    record.Append(Entry("mon, \"" + std::to_string(t) + "\"\n#" + std::to_string(i),
                                        "{" + std::to_string(t) + "}"));
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        ASSERT_TRUE(record.WaitWritten(kWait));
    }
    const std::string text = ReadFileText(RecordFile(dir.path()));
    const RecordCheck check = VerifyRecordText(text);
    EXPECT_TRUE(check.intact) << check.line << ": " << check.problem;
    EXPECT_EQ(check.entries, kThreads * kEach);
    const std::vector<CsvRecord> records = Records(text);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kThreads * kEach + 1));
    std::vector<int> next(kThreads, 0);
    for (std::size_t i = 1; i < records.size(); ++i) {
        ASSERT_EQ(records[i].fields.size(), static_cast<std::size_t>(kRecordColumns));
        // each thread's lines in the order it added them
        const int t = std::stoi(records[i].fields[5].substr(1));
        EXPECT_EQ(records[i].fields[6],
                  "mon, \"" + std::to_string(t) + "\"\n#" + std::to_string(next[t]++));
    }
}

TEST(ServiceRecord, UnwritableFolderNeverBlocksAndIsWrittenWhenBack) {
    TempDir dir;
    const std::string folder = dir.file("records");
    WriteFileBytes(folder, "a file where the folder should be");
    std::atomic<int> problems{0};
    std::atomic<int> recoveries{0};
    ServiceRecordOptions options = Options(folder);
    options.onProblem = [&](const std::string& shown) {
        EXPECT_EQ(shown, folder);
        ++problems;
    };
    options.onRecovered = [&](const std::string&) { ++recoveries; };
    ServiceRecord record;
    ASSERT_TRUE(record.Open(std::move(options)));
    for (int i = 0; i < 5; ++i) {
        record.Append(Entry("kept " + std::to_string(i)));
    }
    for (auto until = std::chrono::steady_clock::now() + kWait;
         problems == 0 && std::chrono::steady_clock::now() < until;) {
        std::this_thread::yield();
    }
    record.Append(Entry("kept 5"));
    EXPECT_EQ(problems, 1);
    EXPECT_FALSE(record.WaitWritten(100ms));  // retried, still nothing written
    EXPECT_EQ(problems, 1) << "told once per outage";

    std::filesystem::remove(PathFromUtf8(folder));
    ASSERT_TRUE(record.WaitWritten(kWait));
    record.Close();
    EXPECT_EQ(recoveries, 1);
    const RecordCheck check = VerifyRecordFile(RecordFile(folder));
    EXPECT_TRUE(check.intact) << check.problem;
    EXPECT_EQ(check.entries, 6);
}

TEST(ServiceRecord, ChainGoesOnAcrossRestartsAndCutsATornLastLine) {
    TempDir dir;
    WrittenRecord(dir, 2);
    const std::string path = RecordFile(dir.path());
    // a write that the disk cut short
    WriteFileBytes(path, ReadFileText(path) + "2026-01-01T00:00:00.000Z,partial");
    const std::string text = WrittenRecord(dir, 3);
    const RecordCheck check = VerifyRecordText(text);
    EXPECT_TRUE(check.intact) << check.line << ": " << check.problem;
    EXPECT_EQ(check.entries, 5);
    EXPECT_EQ(text.find("partial"), std::string::npos);
}

TEST(ServiceRecord, OrdersAndUpgradesGetTheirResults) {
    TempDir dir;
    {
        ServiceRecord record;
        ASSERT_TRUE(record.Open(Options(dir.path())));
        record.AwaitAnswer(Entry("a", "{A}"), 10);
        record.AwaitAnswer(Entry("b", "{B}"), 10);
        record.AwaitAnswer(Entry("c", "{C}"), 11);
        record.OnCommandResult("{A}", 10, true);
        record.OnCommandResult("{B}", 10, false);
        record.OnCommandResult("{C}", 10, true);  // not the result {C} waits for

        ServiceEntry started = Entry("u", "{U}");
        started.action = kActionUpgradeStart;
        started.result.clear();
        started.version = "1.0";
        record.UpgradeStarted(started);
        started.guid = "{L}";
        record.UpgradeStarted(started);
        ServiceEntry ended = Entry("u", "{U}");
        ended.action = kActionUpgradeEnd;
        ended.result = kResultFinished;
        record.UpgradeEnded(ended, true);
        ListedMonitor back{Entry("u", "{U}"), 0};
        back.device.version = "2.0";
        record.Watch({back});  // {L} is no longer listed
        EXPECT_FALSE(record.NeedsWatch());
        for (auto until = std::chrono::steady_clock::now() + kWait;
             std::chrono::steady_clock::now() < until &&
             ReadFileText(RecordFile(dir.path())).find("no answer") == std::string::npos;) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(record.WaitWritten(kWait));
    }
    const std::vector<CsvRecord> records = Records(ReadFileText(RecordFile(dir.path())));
    std::vector<std::string> seen;
    for (std::size_t i = 1; i < records.size(); ++i) {
        seen.push_back(records[i].fields[5] + " " + records[i].fields[4] + ": " +
                       records[i].fields[11] + " | " + records[i].fields[10]);
    }
    const std::vector<std::string> expected = {
        "{A} Module set sent: acknowledged | ",
        "{B} Module set sent: refused | ",
        "{U} Upgrade started: started | ",
        "{L} Upgrade started: started | ",
        "{U} Upgrade ended: finished | ",
        "{U} Software version reported: changed | software version: 1.0 → 2.0",
        "{L} Upgrade ended: failed: the monitor left before the end | ",
        "{C} Module set sent: no answer within 0.05 s | ",
    };
    EXPECT_EQ(seen, expected);
}

TEST(RecordedActions, WifiKeyIsNeverWritten) {
    WifiConfig before;
    WifiConfig after;
    const std::u16string key = u"Secret-Key-42";
    std::copy(key.begin(), key.end(), after.password);
    after.deviceIp = 0x0500000A;  // 10.0.0.5
    after.authen = 4;
    const std::string changes = WifiChanges(before, after);
    EXPECT_EQ(changes.find("Secret"), std::string::npos) << changes;
    EXPECT_NE(changes.find("key: changed"), std::string::npos) << changes;
    EXPECT_NE(changes.find("device address: 0.0.0.0 → 10.0.0.5"), std::string::npos) << changes;
    EXPECT_EQ(WifiChanges(after, after), "");
}
