// kvd2730-sim as a child process: for tests and benchmarks that want the device in a
// process of its own, as a real device is.
#pragma once

#include <string>
#include <vector>

namespace kvd::sim {

class SimProcess {
  public:
    // Starts `binary` with these arguments and waits for the port path it prints.
    // Throws std::runtime_error when it does not start.
    SimProcess(const std::string& binary, const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Port() const { return port_; }
    // Stops the simulator and returns its wait status.
    int Stop();

  private:
    int pid_ = -1;
    std::string port_;
};

}  // namespace kvd::sim
