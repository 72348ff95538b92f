// Frame layer throughput: the checksum against a plain copy of the same bytes, and the frame
// cutter on a stream of valid frames against a stream in which every position carries a
// plausible length with a wrong checksum. And loading a 64 MiB firmware folder (every file's
// MD5 checked against its companion) against only reading the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SimMd5.h"
#include "foundation/FileHelpers.h"
#include "foundation/UpgradeFileSet.h"

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"

namespace {

constexpr std::size_t kFrames = 720;  // about 1 MiB of 1,455-byte frames
constexpr std::size_t kStream = 1 << 20;

std::vector<std::uint8_t> MakeFrames(std::size_t count, std::size_t frameLength) {
    std::vector<std::uint8_t> out(count * frameLength);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* f = out.data() + i * frameLength;
        for (std::size_t k = kCmpHeadSize; k < frameLength; ++k) {
            f[k] = static_cast<std::uint8_t>(k * 31 + i);
        }
        WriteLe16(f, static_cast<std::uint16_t>(frameLength));
        WriteLe16(f + 2, 0x0114);
        WriteLe16(f + 4, static_cast<std::uint16_t>(i));
        WriteLe16(f + 6, 0);
        WriteLe16(f + 6, static_cast<std::uint16_t>(
                             CmpChecksum(f, static_cast<std::int32_t>(frameLength))));
    }
    return out;
}

void BM_CmpChecksum(benchmark::State& state) {
    const std::vector<std::uint8_t> frames = MakeFrames(kFrames, kCmpMaxFrame);
    for (auto _ : state) {
        int acc = 0;
        for (std::size_t i = 0; i < kFrames; ++i) {
            acc |= CmpChecksum(frames.data() + i * kCmpMaxFrame, kCmpMaxFrame);
        }
        benchmark::DoNotOptimize(acc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frames.size()));
}
BENCHMARK(BM_CmpChecksum);

void BM_Memcpy(benchmark::State& state) {
    const std::vector<std::uint8_t> frames = MakeFrames(kFrames, kCmpMaxFrame);
    std::vector<std::uint8_t> copy(kCmpMaxFrame);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kFrames; ++i) {
            std::memcpy(copy.data(), frames.data() + i * kCmpMaxFrame, kCmpMaxFrame);
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frames.size()));
}
BENCHMARK(BM_Memcpy);

// Cuts the stream in 32 KiB receive windows, keeping the tail as the session does.
void CutStream(benchmark::State& state, const std::vector<std::uint8_t>& stream) {
    FrameCutter cutter(16383);
    constexpr std::size_t kWindow = 32768;
    std::vector<std::uint8_t> window;
    window.reserve(kWindow * 2);
    std::size_t frames = 0;
    for (auto _ : state) {
        window.clear();
        for (std::size_t fed = 0; fed < stream.size();) {
            const std::size_t take = std::min(kWindow - window.size(), stream.size() - fed);
            window.insert(window.end(), stream.begin() + fed, stream.begin() + fed + take);
            fed += take;
            const std::size_t used =
                cutter.Cut(window.data(), window.size(), [&](const std::uint8_t*, std::size_t) {
                    ++frames;
                    return true;
                });
            window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(used));
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kAvgIterations);
}

void BM_CutValidFrames(benchmark::State& state) {
    CutStream(state, MakeFrames(kFrames, kCmpMaxFrame));
}
BENCHMARK(BM_CutValidFrames);

void BM_CutAdversarial(benchmark::State& state) {
    CutStream(state, std::vector<std::uint8_t>(kStream, 0x05));
}
BENCHMARK(BM_CutAdversarial);

// Eight files of 8 MiB with their companions, written once per run and removed at exit.
class FirmwareFolder {
  public:
    static constexpr int kFiles = 8;
    static constexpr std::size_t kFileSize = 8u << 20;

    FirmwareFolder() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("zr40bench-fw-" + std::to_string(::getpid())))
                    .string();
        std::filesystem::create_directories(path_);
        std::string bytes(kFileSize, '\0');
        for (int f = 0; f < kFiles; ++f) {
            for (std::size_t i = 0; i < kFileSize; ++i) {
                bytes[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(f) * 7) >> 3);
            }
            const std::string file = path_ + "/fw" + std::to_string(f) + ".bin";
            std::ofstream(file, std::ios::binary).write(bytes.data(), kFileSize);
            std::ofstream(file + ".md5")
                << SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), kFileSize)
                << "  fw" << f << ".bin\n";
            files_.push_back(file);
        }
    }
    ~FirmwareFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    const std::vector<std::string>& Files() const { return files_; }

  private:
    std::string path_;
    std::vector<std::string> files_;
};

const FirmwareFolder& Firmware() {
    static const FirmwareFolder folder;
    return folder;
}

// The baseline: the same bytes read whole, nothing checked.
double ReadSeconds(const FirmwareFolder& folder) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : folder.Files()) {
        std::size_t size = 0;
        benchmark::DoNotOptimize(ReadWholeFile(file, size));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_LoadFirmwareFolder64MiB(benchmark::State& state) {
    const FirmwareFolder& folder = Firmware();
    double loadSeconds = 0;
    double readSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        UpgradeFileSet set;
        set.LoadFolder(folder.Path());
        loadSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (set.GetServedFileCount() != FirmwareFolder::kFiles) {
            state.SkipWithError("a firmware file was refused");
            return;
        }
        readSeconds += ReadSeconds(folder);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * FirmwareFolder::kFiles *
                            static_cast<std::int64_t>(FirmwareFolder::kFileSize));
    state.counters["load_ms"] =
        benchmark::Counter(loadSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["read_ms"] =
        benchmark::Counter(readSeconds * 1000, benchmark::Counter::kAvgIterations);
    state.counters["load_vs_read"] = readSeconds > 0 ? loadSeconds / readSeconds : 0;
}
BENCHMARK(BM_LoadFirmwareFolder64MiB)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
