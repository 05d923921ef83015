// transfer_bench: how fast GetLog moves a day-long log from kvd2730-sim.
//  1. unpaced over a pseudo-terminal, side by side with lrzsz (sb --ymodem -> rb --ymodem over
//     a pseudo-terminal pair) moving the same bytes in the same run;
//  2. paced at 115200 baud, against the time the bytes that must cross the line take.
// Given the Windows build's getlog_timer.exe (and WINEPREFIX), the Windows build runs the same
// downloads under Wine in the same run, the virtual device's port mapped as COM7.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "devicelink/devicelink.h"
#include "devicelink/ymodem_block.h"
#include "simulator/sim_process.h"
#include "simulator/synthetic_trips.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDayFixes = 86'400;  // one fix a second for a day: 1,382,416 bytes
constexpr int kHourFixes = 3'600;  // an hour: 57,616 bytes
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;  // 8N1: 10 bits a byte

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string SimulatorBinary() {
    const char* path = std::getenv("KVD2730_SIM");
    return path && *path ? path : KVD2730_SIM_BUILT;
}

struct Download {
    double seconds = 0;
    double cpuSeconds = 0;
    std::size_t bytes = 0;
};

int32_t KeepSize(void* context, const uint8_t*, int32_t size, const char*, const char*) {
    *static_cast<std::size_t*>(context) = static_cast<std::size_t>(size);
    return 3;
}

Download GetLog(const std::string& port) {
    Download result;
    kvd::DeviceCall call;
    call.completion = &KeepSize;
    call.completionContext = &result.bytes;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    const kvd::CallOutcome outcome =
        kvd::RunDeviceCommand(port, kvd::command_line::GetLog(0), call);
    result.seconds = Seconds(Clock::now() - start);
    result.cpuSeconds = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    if (outcome.status != kvd::CallStatus::Transferred) throw std::runtime_error("GetLog failed");
    return result;
}

// The Windows build's GetLog of the device whose port is mapped as COM7, timed inside it.
Download WindowsGetLog(const std::string& timer) {
    const std::string command = "wine " + timer + " COM7 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run wine");
    Download result;
    long long bytes = 0;
    const int fields = std::fscanf(pipe, "%lld %lf", &bytes, &result.seconds);
    if (::pclose(pipe) != 0 || fields != 2) throw std::runtime_error("GetLog under Wine failed");
    result.bytes = static_cast<std::size_t>(bytes);
    return result;
}

// The virtual device's arguments, with its port mapped as COM7 of the Wine prefix.
std::vector<std::string> OnCom7(std::vector<std::string> args) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr) throw std::runtime_error("WINEPREFIX is not set");
    const fs::path link = fs::path(prefix) / "dosdevices" / "com7";
    fs::remove(link);
    args.insert(args.end(), {"--link", link.string()});
    return args;
}

// sb on the master of a fresh pseudo-terminal pair, rb on its slave; the pair raw at the
// device's 115200 baud, from which lrzsz takes its timing. -k gives sb the 1024-byte blocks
// our side uses; without it sb sends 128-byte blocks and is slower still.
double LrzszSeconds(const fs::path& file, const fs::path& work) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const std::string slave = ::ptsname(master);
    const int slaveKeeper = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(slaveKeeper, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(slaveKeeper, TCSANOW, &tio);
    fs::remove_all(work);
    fs::create_directories(work);
    const auto start = Clock::now();
    const pid_t receiver = ::fork();
    if (receiver == 0) {
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDIN_FILENO);
        ::dup2(fd, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        if (::chdir(work.c_str()) != 0) std::_Exit(126);
        ::execlp("rb", "rb", "--ymodem", "-q", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    const pid_t sender = ::fork();
    if (sender == 0) {
        ::dup2(master, STDIN_FILENO);
        ::dup2(master, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execlp("sb", "sb", "--ymodem", "-k", "-q", file.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    // The file has moved once rb has it and exits. sb on a pseudo-terminal at times misses
    // rb's last ACK and waits out its retries; that wait is not charged to lrzsz.
    ::waitpid(receiver, nullptr, 0);
    const double seconds = Seconds(Clock::now() - start);
    ::kill(sender, SIGTERM);
    ::waitpid(sender, nullptr, 0);
    ::close(master);
    ::close(slaveKeeper);
    const fs::path received = work / file.filename();
    if (!fs::exists(received) || fs::file_size(received) != fs::file_size(file))
        throw std::runtime_error("lrzsz did not move the file (is lrzsz installed?)");
    return seconds;
}

// Every byte that crosses the line for one GetLog of a file of `size` bytes.
std::size_t WireBytes(const std::string& command, std::size_t size) {
    const std::size_t blocks = (size + kvd::kLongBlockData - 1) / kvd::kLongBlockData;
    const std::size_t echoedCommand = 2 * command.size();
    const std::size_t statusLines =
        std::string("GetLog 1\n").size() + std::string("GetLog 0\n").size();
    const std::size_t prompt = 2;
    const std::size_t headerExchanges = 2 * (1 + kvd::kLongBlockLength + 1);  // C, block 0, ACK
    const std::size_t dataBlocks = blocks * (kvd::kLongBlockLength + 1);      // block, ACK
    const std::size_t endOfFile = 4;                                          // EOT NAK EOT ACK
    return echoedCommand + statusLines + prompt + headerExchanges + dataBlocks + endOfFile;
}

fs::path WriteLog(const fs::path& folder, int fixes) {
    const kvd::sim::StoredFile trip = kvd::sim::MakeSyntheticTrip({1, fixes, 1});
    const fs::path path = folder / trip.name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(trip.bytes.data()),
               static_cast<std::streamsize>(trip.bytes.size()));
    return path;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string windowsTimer = argc > 2 ? argv[2] : "";
    kvd::SetDiagnosticStream(nullptr);
    const fs::path folder =
        fs::temp_directory_path() / ("kvd-transfer-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    try {
        const fs::path day = WriteLog(folder, kDayFixes);
        const std::size_t daySize = fs::file_size(day);
        std::vector<double> ourRate, ourCpu, theirRate, windowsRate;
        for (int round = 0; round < rounds; ++round) {
            if (!windowsTimer.empty()) {
                kvd::sim::SimProcess sim(SimulatorBinary(), OnCom7({"--log", day.string()}));
                const Download windows = WindowsGetLog(windowsTimer);
                if (windows.bytes != daySize) throw std::runtime_error("wrong size under Wine");
                windowsRate.push_back(static_cast<double>(daySize) / windows.seconds);
            }
            kvd::sim::SimProcess sim(SimulatorBinary(), {"--log", day.string()});
            const Download ours = GetLog(sim.Port());
            if (ours.bytes != daySize) throw std::runtime_error("GetLog moved the wrong size");
            ourRate.push_back(static_cast<double>(daySize) / ours.seconds);
            ourCpu.push_back(ours.cpuSeconds);
            theirRate.push_back(static_cast<double>(daySize) / LrzszSeconds(day, folder / "rb"));
        }
        std::printf("unpaced, %zu bytes (%d fixes), median of %d rounds:\n", daySize, kDayFixes,
                    rounds);
        std::printf("  GetLog from kvd2730-sim   %8.2f MB/s   CPU of our side %.3f s\n",
                    Median(ourRate) / 1e6, Median(ourCpu));
        std::printf("  lrzsz sb -k -> rb --ymodem%8.2f MB/s\n", Median(theirRate) / 1e6);
        std::printf("  ratio                     %8.1fx\n", Median(ourRate) / Median(theirRate));
        if (!windowsTimer.empty()) {
            std::printf("  Windows build under Wine  %8.2f MB/s   %.2f of the Linux build\n",
                        Median(windowsRate) / 1e6, Median(windowsRate) / Median(ourRate));
        }

        const fs::path hour = WriteLog(folder, kHourFixes);
        const std::size_t hourSize = fs::file_size(hour);
        const std::size_t wire = WireBytes("GetLog 0\n", hourSize);
        const double limit = static_cast<double>(wire) / kLineBytesPerSecond;
        std::vector<double> paced;
        for (int round = 0; round < std::min(rounds, 3); ++round) {
            kvd::sim::SimProcess sim(SimulatorBinary(),
                                     {"--log", hour.string(), "--baud", "115200"});
            paced.push_back(GetLog(sim.Port()).seconds);
        }
        const double measured = Median(paced);
        std::printf("paced at 115200 baud, %zu bytes (%d fixes), median of %zu rounds:\n", hourSize,
                    kHourFixes, paced.size());
        std::printf("  bytes on the line %zu, line-rate limit %.3f s\n", wire, limit);
        std::printf("  GetLog took %.3f s: %+.2f %% over the limit\n", measured,
                    (measured - limit) / limit * 100.0);
        if (!windowsTimer.empty()) {
            std::vector<double> windowsPaced;
            for (int round = 0; round < std::min(rounds, 3); ++round) {
                kvd::sim::SimProcess sim(SimulatorBinary(),
                                         OnCom7({"--log", hour.string(), "--baud", "115200"}));
                windowsPaced.push_back(WindowsGetLog(windowsTimer).seconds);
            }
            const double windows = Median(windowsPaced);
            std::printf("  Windows build under Wine took %.3f s: %+.2f %% over the limit\n",
                        windows, (windows - limit) / limit * 100.0);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
