// Runs the kvd2730-sim of this build as a child process for the length of a test.
#pragma once

#include <string>
#include <vector>

#include "simulator/sim_process.h"

namespace kvd::test {

// Path of the kvd2730-sim binary: KVD2730_SIM, else the one this build made.
std::string SimulatorBinary();

class SimProcess : public sim::SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args = {})
        : sim::SimProcess(SimulatorBinary(), args) {}
};

}  // namespace kvd::test
