// The virtual KVD-2730 on a pseudo-terminal, runnable in its own thread or process.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simulator/device_storage.h"
#include "simulator/synthetic_trips.h"
#include "simulator/virtual_device.h"

namespace kvd::sim {

struct SlotFile {
    int slot = -1;  // -1: the next free slot
    std::string path;
};

struct SimulatorConfig {
    std::vector<SlotFile> logFiles;
    std::optional<int> syntheticTrips;  // built-in trips; 3 when unset and no log file is given
    TripPlan trip;
    uint32_t baud = 0;  // 0 = unpaced
    DeviceOptions device;
};

// Fills the slots as the configuration asks; throws std::runtime_error on an unreadable file.
DeviceStorage BuildStorage(const SimulatorConfig& config);

class Simulator {
  public:
    explicit Simulator(const SimulatorConfig& config);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& PortPath() const;
    void Start();  // serves in a background thread
    void Run();    // serves on this thread until Stop() or the line dies
    // Safe to call from a signal handler: it sets a flag and writes to a pipe.
    void Stop();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace kvd::sim
