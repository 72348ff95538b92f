#include "record/ServiceRecord.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>

#include "foundation/FileHelpers.h"
#include "platform/ComputerIdentity.h"
#include "platform/ReplaceFileContents.h"
#include "platform/Utf8Path.h"
#include "record/CsvText.h"
#include "record/RecordFormat.h"

namespace {

constexpr char kLostAction[] = "Lines not recorded";

double SecondsBetween(std::chrono::steady_clock::time_point from,
                      std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool IsDigest(const std::string& text) {
    if (text.size() != 64) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

ServiceRecord::~ServiceRecord() {
    Close();
}

bool ServiceRecord::Open(ServiceRecordOptions options) {
    Close();
    if (options.folder.empty()) {
        return false;
    }
    if (options.pc.empty()) {
        options.pc = ComputerName();
    }
    if (options.user.empty()) {
        options.user = OperatingSystemUser();
    }
    std::lock_guard<std::mutex> guard(mutex_);
    options_ = std::move(options);
    open_ = true;
    stop_ = false;
    failing_ = false;
    lost_ = 0;
    writer_ = std::thread([this] { Run(); });
    return true;
}

void ServiceRecord::Close() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!open_) {
            return;
        }
        stop_ = true;
        open_ = false;
    }
    wake_.notify_all();
    writer_.join();
    std::lock_guard<std::mutex> guard(mutex_);
    queue_.clear();
    upgrades_.clear();
    finished_.clear();
    file_.Close();
    filePath_.clear();
}

bool ServiceRecord::IsOpen() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return open_;
}

std::string ServiceRecord::Folder() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return open_ ? options_.folder : std::string();
}

void ServiceRecord::Queue(Stamped stamped) {
    if (queue_.size() >= options_.maxUnwritten) {
        ++lost_;
        return;
    }
    queue_.push_back(std::move(stamped));
    wake_.notify_all();
}

void ServiceRecord::Append(ServiceEntry entry) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (open_) {
        Queue(Stamped{std::move(entry), std::chrono::system_clock::now()});
    }
}

void ServiceRecord::AwaitAnswer(ServiceEntry entry, int resultCode) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (open_) {
        waiting_.push_back(Waiting{Stamped{std::move(entry), std::chrono::system_clock::now()},
                                   resultCode, Clock::now()});
        wake_.notify_all();  // the writer wakes at the new deadline
    }
}

void ServiceRecord::OnCommandResult(const std::string& guid, int resultCode, bool success) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->resultCode == resultCode && it->stamped.entry.guid == guid) {
            Stamped stamped = std::move(it->stamped);
            stamped.entry.result = success ? kResultAcknowledged : kResultRefused;
            stamped.entry.seconds = SecondsBetween(it->sent, Clock::now());
            waiting_.erase(it);
            Queue(std::move(stamped));
            return;
        }
    }
}

void ServiceRecord::ExpireWaiting(Clock::time_point now, bool all) {
    const auto wait = options_.answerWait;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (!all && now - it->sent < wait) {
            ++it;
            continue;
        }
        Stamped stamped = std::move(it->stamped);
        char waited[32];
        std::snprintf(waited, sizeof waited, " %g s", std::chrono::duration<double>(wait).count());
        stamped.entry.result = now - it->sent >= wait
                                   ? std::string(kResultNoAnswer) + waited
                                   : std::string("no answer before the tool ended");
        stamped.entry.seconds = SecondsBetween(it->sent, now);
        it = waiting_.erase(it);
        Queue(std::move(stamped));
    }
}

void ServiceRecord::UpgradeStarted(ServiceEntry entry) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!open_) {
        return;
    }
    upgrades_[entry.guid] = Started{Clock::now(), entry};
    finished_.erase(entry.guid);
    if (entry.result.empty()) {
        entry.result = kResultStarted;
    }
    Queue(Stamped{std::move(entry), std::chrono::system_clock::now()});
}

void ServiceRecord::UpgradeEnded(ServiceEntry entry, bool finished) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!open_) {
        return;
    }
    auto started = upgrades_.find(entry.guid);
    std::string before = entry.version;
    if (started != upgrades_.end()) {
        const ServiceEntry& device = started->second.device;
        entry.seconds = SecondsBetween(started->second.at, Clock::now());
        before = device.version;
        if (entry.ip.empty()) {
            // a monitor that left: as it was when its upgrade started
            entry.deviceName = device.deviceName;
            entry.bed = device.bed;
            entry.ip = device.ip;
            entry.version = device.version;
        }
        upgrades_.erase(started);
    }
    if (finished) {
        finished_[entry.guid] = Finished{before, static_cast<std::int64_t>(std::time(nullptr))};
    }
    Queue(Stamped{std::move(entry), std::chrono::system_clock::now()});
}

bool ServiceRecord::NeedsWatch() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return !upgrades_.empty() || !finished_.empty();
}

void ServiceRecord::Watch(const std::vector<ListedMonitor>& listed) {
    std::vector<std::string> gone;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (const auto& [guid, started] : upgrades_) {
            bool present = false;
            for (const ListedMonitor& monitor : listed) {
                present = present || monitor.device.guid == guid;
            }
            if (!present) {
                gone.push_back(guid);
            }
        }
        for (const ListedMonitor& monitor : listed) {
            auto it = finished_.find(monitor.device.guid);
            if (it == finished_.end() || monitor.device.version.empty() ||
                (monitor.device.version == it->second.version &&
                 monitor.connectTime <= it->second.at)) {
                continue;
            }
            ServiceEntry entry = monitor.device;
            entry.action = kActionVersion;
            entry.changes = "software version: " + it->second.version + " → " + entry.version;
            entry.result = entry.version == it->second.version ? "unchanged" : "changed";
            finished_.erase(it);
            Queue(Stamped{std::move(entry), std::chrono::system_clock::now()});
        }
    }
    for (const std::string& guid : gone) {
        ServiceEntry entry;
        entry.action = kActionUpgradeEnd;
        entry.guid = guid;
        entry.result = std::string(kResultFailed) + ": the monitor left before the end";
        UpgradeEnded(std::move(entry), false);
    }
}

bool ServiceRecord::WaitWritten(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return written_.wait_for(lock, timeout, [this] { return queue_.empty() && !writing_; });
}

std::size_t ServiceRecord::Unwritten() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return queue_.size();
}

void ServiceRecord::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    Clock::time_point retryAt{};
    for (;;) {
        const Clock::time_point now = Clock::now();
        ExpireWaiting(now, stop_);
        if (lost_ > 0 && !failing_ && queue_.size() < options_.maxUnwritten) {
            ServiceEntry note;
            note.action = kLostAction;
            note.result =
                std::to_string(lost_) + " line(s) lost while the folder could not be written";
            lost_ = 0;
            Queue(Stamped{std::move(note), std::chrono::system_clock::now()});
        }
        const bool mayWrite = !failing_ || now >= retryAt || stop_;
        if (!queue_.empty() && mayWrite) {
            std::vector<Stamped> batch(std::make_move_iterator(queue_.begin()),
                                       std::make_move_iterator(queue_.end()));
            queue_.clear();
            writing_ = true;
            lock.unlock();
            const std::size_t done = WriteBatch(batch);
            lock.lock();
            writing_ = false;
            const bool ok = done == batch.size();
            // What could not be written goes back in front of what came meanwhile.
            queue_.insert(queue_.begin(), std::make_move_iterator(batch.begin() + done),
                          std::make_move_iterator(batch.end()));
            const std::string folder = options_.folder;
            auto& tell = ok ? options_.onRecovered : options_.onProblem;
            const bool changed = ok == failing_;
            failing_ = !ok;
            if (!ok) {
                retryAt = Clock::now() + options_.retryPeriod;
            }
            if (changed && tell) {
                auto call = tell;
                lock.unlock();
                call(folder);
                lock.lock();
            }
            written_.notify_all();
            if (stop_ && !ok) {
                return;  // tried once more at the end; the rest cannot be written
            }
            continue;
        }
        written_.notify_all();
        if (stop_) {
            return;
        }
        Clock::time_point until = Clock::time_point::max();
        for (const Waiting& waiting : waiting_) {
            until = std::min(until, waiting.sent + options_.answerWait);
        }
        if (failing_ && !queue_.empty()) {
            until = std::min(until, retryAt);
        }
        // Every wake looks at everything again: new lines, new deadlines, the retry, the stop.
        if (until == Clock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, until);
        }
    }
}

std::size_t ServiceRecord::WriteBatch(const std::vector<Stamped>& batch) {
    std::size_t done = 0;
    while (done < batch.size() && WriteOne(batch[done])) {
        ++done;
    }
    return done;
}

bool ServiceRecord::WriteOne(const Stamped& stamped) {
    const std::string path =
        Utf8FromPath(PathFromUtf8(options_.folder) / RecordFileName(stamped.when));
    if (!EnsureFile(path)) {
        return false;
    }
    const std::string text =
        RecordText(stamped.entry, stamped.when, options_.pc, options_.user, nextEntry_);
    const std::string digest = ChainDigest(previous_, text);
    const std::string line = text + ',' + digest + "\r\n";
    if (digest.empty() || !file_.Append(line.data(), line.size())) {
        file_.Close();  // read again before the next try: part of the line may be there
        return false;
    }
    previous_ = digest;
    ++nextEntry_;
    fileSize_ += static_cast<std::int64_t>(line.size());
    return true;
}

bool ServiceRecord::EnsureFile(const std::string& path) {
    if (file_.IsOpen() && filePath_ == path) {
        FileIdentity now;
        std::int64_t size = 0;
        // Still the file at that name, and nobody else wrote to it: go on.
        if (IdentifyPath(path, now, size) && now == fileIdentity_ && size == fileSize_) {
            return true;
        }
    }
    file_.Close();
    filePath_.clear();
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(options_.folder), error);
    if (!LoadChain(path) || !file_.Open(path)) {
        file_.Close();
        return false;
    }
    if (fileSize_ == 0) {
        const std::string head = std::string(kUtf8Bom) + kRecordHeader + "\r\n";
        if (!file_.Append(head.data(), head.size())) {
            file_.Close();
            return false;
        }
    }
    if (!file_.Identify(fileIdentity_, fileSize_)) {
        file_.Close();
        return false;
    }
    filePath_ = path;
    return true;
}

bool ServiceRecord::LoadChain(const std::string& path) {
    previous_ = ChainSeed();
    nextEntry_ = 1;
    fileSize_ = 0;
    FileIdentity identity;
    std::int64_t size = 0;
    if (!IdentifyPath(path, identity, size) || size == 0) {
        return true;  // a new file
    }
    std::size_t length = 0;
    const auto bytes = ReadWholeFile(path, length);
    if (!bytes) {
        return false;
    }
    std::string text(reinterpret_cast<const char*>(bytes->data()), length);
    if (!text.empty() && text.back() != '\n') {
        // A line cut short by a failed write (a full disk) is not part of the record.
        const std::size_t end = text.rfind('\n');
        text.resize(end == std::string::npos ? 0 : end + 1);
        if (!ReplaceFileContents(path, text)) {
            return false;
        }
    }
    fileSize_ = static_cast<std::int64_t>(text.size());
    bool wellFormed = true;
    const std::vector<CsvRecord> records = ReadCsvRecords(text, wellFormed);
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (it->fields.size() == static_cast<std::size_t>(kRecordColumns) &&
            IsDigest(it->fields.back())) {
            previous_ = it->fields.back();
            nextEntry_ = std::atoll(it->fields[kRecordEntryColumn].c_str()) + 1;
            break;
        }
    }
    return true;
}

ServiceRecord& GetServiceRecord() {
    static ServiceRecord record;
    return record;
}
