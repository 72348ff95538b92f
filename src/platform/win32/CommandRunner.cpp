#include "platform/CommandRunner.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <thread>
#include <vector>

#include "platform/WindowsCommandLine.h"
#include "platform/win32/WideText.h"

using win32text::UniqueHandle;

namespace {

using Clock = std::chrono::steady_clock;

// The child's ends of its pipe and input must be inheritable for the handle list to name them;
// they are closed here right after the start. Making them and starting programs one at a time
// keeps one run's ends from being open while another run starts.
std::mutex& StartMutex() {
    static std::mutex mutex;
    return mutex;
}

// How long the output may still take once the programs of a run were ended.
constexpr std::chrono::milliseconds kReaderGrace{500};

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, 0x7FFFFFFF));
}

// Reads the pipe to its end on a thread of its own, keeping at most kCommandOutputLimit bytes.
class OutputReader {
  public:
    explicit OutputReader(HANDLE pipe) : pipe_(pipe), thread_([this] { ReadAll(); }) {}
    ~OutputReader() { Join(); }
    OutputReader(const OutputReader&) = delete;
    OutputReader& operator=(const OutputReader&) = delete;

    // True when the pipe reached its end before the deadline.
    bool WaitDone(Clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_cv_.wait_until(lock, deadline, [this] { return done_; });
    }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::string Take() {
        Join();
        return std::move(text_);
    }

  private:
    void ReadAll() {
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(pipe_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::size_t room = kCommandOutputLimit - text_.size();
            text_.append(buffer, std::min<std::size_t>(room, got));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        done_cv_.notify_all();
    }

    HANDLE pipe_;
    std::mutex mutex_;
    std::condition_variable done_cv_;
    std::string text_;
    bool done_ = false;
    std::thread thread_;
};

// A job whose programs all end when its last handle closes, so none outlives its run.
UniqueHandle MakeJob() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
        info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &info, sizeof info);
    }
    return job;
}

// The attribute list naming the only handles a child inherits: without one, CreateProcessW
// hands it every inheritable handle of this process (files, sockets, other runs' pipes).
class InheritList {
  public:
    InheritList(HANDLE first, HANDLE second) : handles_{first, second} {
        SIZE_T bytes = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);
        storage_.resize(bytes);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (bytes == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &bytes)) {
            return;
        }
        list_ = list;
        const SIZE_T count = handles_[0] == handles_[1] ? 1 : 2;
        if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                         count * sizeof(HANDLE), nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~InheritList() {
        if (list_ != nullptr) {
            ::DeleteProcThreadAttributeList(list_);
        }
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;

    // Null when the list could not be made: then nothing is started.
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

  private:
    HANDLE handles_[2];
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

int Win32CommandRunner::Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    return RunCapturing(argv, limit).status;
}

CommandResult Win32CommandRunner::RunCapturing(const std::vector<std::string>& argv,
                                               std::chrono::milliseconds limit) {
    if (argv.empty() || argv[0].empty()) {
        return {};
    }
    return RunCommandLine(std::string(), BuildWindowsCommandLine(argv), limit);
}

CommandResult Win32CommandRunner::RunCommandLine(const std::string& program,
                                                 const std::string& commandLine,
                                                 std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    const std::wstring application = win32text::ToWide(program);
    std::wstring line = win32text::ToWide(commandLine);  // CreateProcessW may write into it
    UniqueHandle job = MakeJob();
    if (!job || line.empty()) {
        return {};
    }

    UniqueHandle readEnd;
    UniqueHandle process;
    unsigned cancelsAtStart = 0;
    {
        std::lock_guard<std::mutex> startLock(StartMutex());
        HANDLE readPipe = nullptr;
        HANDLE writePipe = nullptr;
        if (!::CreatePipe(&readPipe, &writePipe, nullptr, 0)) {
            return {};
        }
        readEnd.Reset(readPipe);
        UniqueHandle writeEnd(writePipe);
        UniqueHandle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        // Only the child's ends become inheritable; the read end stays this process's alone.
        if (!input ||
            !::SetHandleInformation(writePipe, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
            !::SetHandleInformation(input.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
            return {};
        }
        const InheritList inheritList(writePipe, input.Get());
        if (inheritList.Get() == nullptr) {
            return {};
        }

        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = input.Get();
        startup.StartupInfo.hStdOutput = writePipe;
        startup.StartupInfo.hStdError = writePipe;
        startup.lpAttributeList = inheritList.Get();
        PROCESS_INFORMATION info{};
        // Started under the lock, so a Cancel either refuses it or finds its job.
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_ ||
            !::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(),
                              nullptr, nullptr, TRUE,
                              CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT |
                                  EXTENDED_STARTUPINFO_PRESENT,
                              nullptr, nullptr, &startup.StartupInfo, &info)) {
            return {};
        }
        process.Reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        // Put in its job before it runs a single instruction, so all it starts is in there too.
        // Should that fail, ending the program itself is what remains.
        ::AssignProcessToJobObject(job.Get(), info.hProcess);
        ::ResumeThread(info.hThread);
        running_.emplace(job.Get(), info.hProcess);
        cancelsAtStart = cancels_;
    }

    CommandResult result;
    bool ended = false;
    OutputReader reader(readEnd.Get());
    const bool exited =
        ::WaitForSingleObject(process.Get(), MillisecondsUntil(deadline)) == WAIT_OBJECT_0;
    // The pipe ends once every program holding it has ended; one left running in the background
    // would keep it open, so the job is ended when the time is up.
    if (!exited || !reader.WaitDone(deadline)) {
        ::TerminateJobObject(job.Get(), 1);
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), INFINITE);
        ended = !exited;
        // A writer outside the job (one that left it) would still hold the pipe open.
        while (!reader.WaitDone(Clock::now() + kReaderGrace)) {
            ::CancelIoEx(readEnd.Get(), nullptr);
        }
    }
    result.output = reader.Take();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_.erase(job.Get());
        ended = ended || cancels_ != cancelsAtStart;
    }
    DWORD code = 0;
    if (!ended && ::GetExitCodeProcess(process.Get(), &code)) {
        result.status = static_cast<int>(code);
    }
    return result;
}

void Win32CommandRunner::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    ++cancels_;
    for (const auto& [job, process] : running_) {
        ::TerminateJobObject(static_cast<HANDLE>(job), 1);
        ::TerminateProcess(static_cast<HANDLE>(process), 1);
    }
}

void Win32CommandRunner::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = false;
}

std::unique_ptr<ICommandRunner> MakeSystemCommandRunner() {
    return std::make_unique<Win32CommandRunner>();
}
