#include "simulator/simulator.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "simulator/device_wire.h"
#include "simulator/pseudo_terminal.h"

namespace kvd::sim {

DeviceStorage BuildStorage(const SimulatorConfig& config) {
    DeviceStorage storage;
    auto place = [&](int slot, StoredFile file) {
        if (slot < 0) {
            for (slot = 0;
                 slot < DeviceStorage::kLogSlots && storage.logs[static_cast<std::size_t>(slot)];
                 ++slot) {
            }
        }
        if (slot >= DeviceStorage::kLogSlots)
            throw std::runtime_error("no free log slot for " + file.name);
        storage.logs[static_cast<std::size_t>(slot)] = std::move(file);
    };
    // Built-in trips first (three by default when no log file is given), then the files.
    const int trips = config.syntheticTrips.value_or(config.logFiles.empty() ? 3 : 0);
    for (int k = 0; k < trips && k < DeviceStorage::kLogSlots; ++k) {
        TripPlan plan = config.trip;
        plan.seed = config.trip.seed + static_cast<uint32_t>(k);
        place(k, MakeSyntheticTrip(plan));
    }
    for (const SlotFile& file : config.logFiles) {
        const std::string name = file.path.substr(file.path.find_last_of('/') + 1);
        place(file.slot, {name, ReadWholeFile(file.path)});
    }
    // A few small recordings so that the record list and GetRecord have something to show.
    for (int k = 0; k < 3; ++k) {
        std::vector<uint8_t> bytes(2000 + 700 * static_cast<std::size_t>(k));
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 7 + static_cast<std::size_t>(k));
        storage.records[static_cast<std::size_t>(k)] =
            StoredFile{"REC" + std::to_string(k) + ".WAV", std::move(bytes)};
    }
    return storage;
}

// A pipe whose read end wakes the device from any wait once Stop() wrote to it; a signal
// alone could arrive just before a wait begins and be missed for the whole wait.
struct WakePipe {
    int fds[2] = {-1, -1};
    WakePipe() {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    ~WakePipe() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;
};

struct Simulator::Parts {
    WakePipe wake;
    PseudoTerminal terminal;
    DeviceStorage storage;
    DeviceWire wire;
    VirtualDevice device;

    explicit Parts(const SimulatorConfig& config)
        : storage(BuildStorage(config)),
          wire(terminal.MasterFd(), config.baud),
          device(wire, storage, config.device) {
        wire.SetHangup([this] { terminal.Hangup(); });
        wire.StopWaitingWhenReadable(wake.fds[0]);
    }
};

Simulator::Simulator(const SimulatorConfig& config) : parts_(std::make_unique<Parts>(config)) {}

Simulator::~Simulator() { Stop(); }

const std::string& Simulator::PortPath() const { return parts_->terminal.SlavePath(); }

void Simulator::Start() {
    thread_ = std::thread([this] { Run(); });
}

void Simulator::Run() { parts_->device.Run(stop_); }

void Simulator::Stop() {
    stop_ = true;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(parts_->wake.fds[1], &byte, 1);
    if (thread_.joinable()) thread_.join();
}

}  // namespace kvd::sim
