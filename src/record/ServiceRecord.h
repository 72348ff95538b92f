#pragma once
// The service record: every action the tool takes on a monitor, one line each, appended to
// ServiceRecord-YYYY-MM.csv (the UTC month) in a folder the user chose (RecordFormat.h has the
// format and its digest chain).
//
// Any thread may add an entry: the call only queues it, and one writer thread appends the lines
// whole, in order, so lines never interleave and no caller ever waits on the disk. An order
// waits for the monitor's command result (AwaitAnswer, OnCommandResult) and is written with it,
// or as unanswered once the answer wait has passed. An upgrade's start and end are paired for
// its duration; after a finished one, the monitor's next report of its software version is
// written too (Watch, from the list's refresh).
//
// When a line cannot be written (full disk, folder gone), it and every later one stay in memory
// and are tried again every retry period; the problem is reported once per outage, the return
// once. A file that another writer appended to, or that was moved away, is read again before
// the next line, so the chain goes on from the line that is really last.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AppendFile.h"
#include "record/ServiceEntry.h"

struct ServiceRecordOptions {
    std::string folder;
    std::string pc;    // the PC's name when empty
    std::string user;  // the operating-system user when empty
    std::chrono::milliseconds answerWait{10000};
    std::chrono::milliseconds retryPeriod{1000};
    // Entries kept while nothing can be written; beyond that new ones are counted as lost.
    std::size_t maxUnwritten = 100000;
    // On the writer thread: once when lines stop being written, once when they are again.
    std::function<void(const std::string& folder)> onProblem;
    std::function<void(const std::string& folder)> onRecovered;
};

// A monitor as the list shows it now, for Watch.
struct ListedMonitor {
    ServiceEntry device;  // guid, name, bed, ip and version filled
    std::int64_t connectTime = 0;
};

class ServiceRecord {
  public:
    ServiceRecord() = default;
    ~ServiceRecord();
    ServiceRecord(const ServiceRecord&) = delete;
    ServiceRecord& operator=(const ServiceRecord&) = delete;

    // Starts writing into the folder (created when missing); any record open before is closed
    // first. False, with nothing started, for an empty folder name.
    bool Open(ServiceRecordOptions options);
    // Orders still unanswered are written as such, then every queued line is tried once more,
    // and the writer ends. Entries added while closed are dropped.
    void Close();
    bool IsOpen() const;
    std::string Folder() const;

    // Queues the entry, stamped now.
    void Append(ServiceEntry entry);
    // An order went out to the monitor of entry.guid: the entry is written when its command
    // result with `resultCode` arrives, or after the answer wait without one.
    void AwaitAnswer(ServiceEntry entry, int resultCode);
    // A command result arrived (any thread): the oldest order waiting for it is written.
    void OnCommandResult(const std::string& guid, int resultCode, bool success);
    // The monitor began pulling a firmware set; ends with UpgradeEnded, which adds the time.
    void UpgradeStarted(ServiceEntry entry);
    void UpgradeEnded(ServiceEntry entry, bool finished);
    // After each refresh of the monitor list (UI thread): an upgrade whose monitor left the list
    // ends as failed; a monitor that finished one and reports a software version (a new one, or
    // any after it connected again) gets its version line. Cheap while nothing is watched.
    bool NeedsWatch() const;
    void Watch(const std::vector<ListedMonitor>& listed);

    // Waits until every queued line is written (tests, the end of a run). False on time-out.
    bool WaitWritten(std::chrono::milliseconds timeout);
    std::size_t Unwritten() const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Stamped {
        ServiceEntry entry;
        std::chrono::system_clock::time_point when;
    };
    struct Waiting {
        Stamped stamped;
        int resultCode;
        Clock::time_point sent;
    };
    struct Started {
        Clock::time_point at;
        ServiceEntry device;
    };
    struct Finished {
        std::string version;
        std::int64_t at;  // seconds since 1970
    };

    void Queue(Stamped stamped);  // with mutex_ held
    void Run();
    void ExpireWaiting(Clock::time_point now, bool all);  // with mutex_ held
    // Writes the batch in order; the number written.
    std::size_t WriteBatch(const std::vector<Stamped>& batch);
    bool WriteOne(const Stamped& stamped);
    bool EnsureFile(const std::string& path);
    bool LoadChain(const std::string& path);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    ServiceRecordOptions options_;
    bool open_ = false;
    bool stop_ = false;
    bool failing_ = false;
    bool writing_ = false;  // the writer holds a batch
    std::size_t lost_ = 0;
    std::deque<Stamped> queue_;
    std::vector<Waiting> waiting_;
    std::map<std::string, Started> upgrades_;   // by GUID
    std::map<std::string, Finished> finished_;  // by GUID, until its version line
    std::thread writer_;

    // The writer thread's own.
    AppendFile file_;
    std::string filePath_;
    FileIdentity fileIdentity_;
    std::int64_t fileSize_ = 0;
    std::string previous_;
    long long nextEntry_ = 1;
};

// The process-wide record (closed until a front end opens it).
ServiceRecord& GetServiceRecord();
