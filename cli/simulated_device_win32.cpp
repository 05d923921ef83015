#include "cli/simulated_device.h"

namespace kvd::cli {

std::unique_ptr<SimulatedDevice> SimulatedDevice::Start(std::string& error) {
    error = "the virtual device needs pseudo-terminals, which Windows does not have";
    return nullptr;
}

}  // namespace kvd::cli
