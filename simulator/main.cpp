// kvd2730-sim: a virtual KVD-2730 on a pseudo-terminal.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "simulator/simulator.h"

namespace {

kvd::sim::Simulator* g_running = nullptr;

void StopOnSignal(int) {
    // Only the atomic flag is touched; Run() returns at its next poll.
    if (g_running) g_running->Stop();
}

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: kvd2730-sim [options]\n"
        "  --link PATH            also place a symbolic link to the port at PATH\n"
        "  --baud N               pace every byte as a line at N baud (default: unpaced)\n"
        "  --log [SLOT=]FILE      put a log file into a slot (repeatable)\n"
        "  --trips N              built-in trips in slots 0..N-1 (default 3, or 0 with --log)\n"
        "  --fixes N              fixes per built-in trip (default 600)\n"
        "  --interval S           seconds between fixes of built-in trips (default 1)\n"
        "  --seed N               seed of the built-in trips (default 1)\n"
        "  --store DIR            keep uploaded files in DIR\n"
        "  --block 128|1024       size of the data blocks sent (default 1024)\n"
        "  --fault KIND[:ARG][@WORD]  inject one fault, only for commands holding WORD\n"
        "  --fault-once           disarm the fault after the first command it touched\n"
        "  --line strict|lenient  how command lines are read (default strict): strict takes\n"
        "                         and echoes every byte, control bytes too, and keeps a\n"
        "                         line open however long it pauses; lenient drops control\n"
        "                         bytes before a command and a line left for 100 ms\n"
        "  --journal FILE         append every command line served to FILE, byte for byte,\n"
        "                         and in brackets, one a line, what else reached the device:\n"
        "                           [dropped HEX] [dropped partial line HEX]\n"
        "                           [dropped overlong line HEX] [unfinished line HEX]\n"
        "                           [batch: host cancelled] [batch: host sent HEX]\n"
        "                           [batch: given up]\n"
        "  --version              show the program's version\n"
        "fault kinds: %s\n",
        kvd::sim::FaultKindList().c_str());
}

[[noreturn]] void UsageError(const std::string& message) {
    std::fprintf(stderr, "kvd2730-sim: %s\n", message.c_str());
    PrintUsage(stderr);
    std::exit(2);
}

long NumberArgument(const char* option, const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high)
        UsageError(std::string(option) + " needs a number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not '" + text + "'");
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    kvd::sim::SimulatorConfig config;
    std::string link;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) UsageError(option + " needs a value");
            return argv[++i];
        };
        if (option == "--help" || option == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (option == "--version") {
            std::printf("kvd2730-sim %s\n", KVD_VERSION);
            return 0;
        } else if (option == "--link") {
            link = value();
        } else if (option == "--baud") {
            config.baud = static_cast<uint32_t>(NumberArgument("--baud", value(), 1, 4'000'000));
        } else if (option == "--log") {
            const std::string text = value();
            kvd::sim::SlotFile file{-1, text};
            if (const auto eq = text.find('='); eq != std::string::npos && eq <= 1 && eq > 0) {
                file.slot =
                    static_cast<int>(NumberArgument("--log", text.substr(0, eq).c_str(), 0, 9));
                file.path = text.substr(eq + 1);
            }
            config.logFiles.push_back(file);
        } else if (option == "--trips") {
            config.syntheticTrips = static_cast<int>(NumberArgument("--trips", value(), 0, 10));
        } else if (option == "--fixes") {
            config.trip.fixCount =
                static_cast<int>(NumberArgument("--fixes", value(), 0, 10'000'000));
        } else if (option == "--interval") {
            config.trip.intervalSeconds =
                static_cast<int>(NumberArgument("--interval", value(), 0, 65535));
        } else if (option == "--seed") {
            config.trip.seed =
                static_cast<uint32_t>(NumberArgument("--seed", value(), 0, 0x7fffffff));
        } else if (option == "--store") {
            config.device.storeDir = value();
        } else if (option == "--block") {
            config.device.dataBlockSize =
                static_cast<int>(NumberArgument("--block", value(), 128, 1024));
            if (config.device.dataBlockSize != 128 && config.device.dataBlockSize != 1024)
                UsageError("--block takes 128 or 1024");
        } else if (option == "--fault") {
            const auto fault = kvd::sim::ParseFault(value());
            if (!fault) UsageError(std::string("unknown fault '") + argv[i] + "'");
            const bool once = config.device.fault.once;
            config.device.fault = *fault;
            config.device.fault.once = once;
        } else if (option == "--line") {
            const std::string model = value();
            if (model == "strict") {
                config.device.lineModel = kvd::sim::LineModel::Strict;
            } else if (model == "lenient") {
                config.device.lineModel = kvd::sim::LineModel::Lenient;
            } else {
                UsageError("--line takes strict or lenient, not '" + model + "'");
            }
        } else if (option == "--journal") {
            config.device.journalPath = value();
        } else if (option == "--fault-once") {
            config.device.fault.once = true;
        } else {
            UsageError("unknown option '" + option + "'");
        }
    }

    try {
        kvd::sim::Simulator simulator(config);
        if (!link.empty()) {
            std::error_code ignored;
            std::filesystem::remove(link, ignored);
            std::filesystem::create_symlink(simulator.PortPath(), link);
        }
        std::printf("%s\n", simulator.PortPath().c_str());
        std::fflush(stdout);
        g_running = &simulator;
        std::signal(SIGINT, StopOnSignal);
        std::signal(SIGTERM, StopOnSignal);
        simulator.Run();
        g_running = nullptr;
        if (!link.empty()) std::filesystem::remove(link);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvd2730-sim: %s\n", error.what());
        return 1;
    }
    return 0;
}
