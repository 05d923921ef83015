// --simulate: a virtual device served in this process, where the system has pseudo-terminals.
#pragma once

#include <memory>
#include <string>

namespace kvd::cli {

class SimulatedDevice {
  public:
    virtual ~SimulatedDevice() = default;
    virtual const std::string& PortPath() const = 0;

    // Starts one with the built-in trips; null with the reason in error where none can run.
    static std::unique_ptr<SimulatedDevice> Start(std::string& error);
};

}  // namespace kvd::cli
