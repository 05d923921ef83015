// Runs kvd2730-sim as a child process for the length of a test.
#pragma once

#include <string>
#include <vector>

namespace kvd::test {

class SimProcess {
public:
    // Starts the simulator with these arguments and waits for its port path.
    explicit SimProcess(const std::vector<std::string>& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Port() const { return port_; }
    // Stops the simulator and returns its exit status.
    int Stop();

private:
    int pid_ = -1;
    std::string port_;
};

// Path of the kvd2730-sim binary: KVD2730_SIM, else the one this build made.
std::string SimulatorBinary();

}  // namespace kvd::test
