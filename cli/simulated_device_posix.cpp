#include <exception>

#include "cli/simulated_device.h"
#include "simulator/simulator.h"

namespace kvd::cli {
namespace {

class PseudoTerminalDevice final : public SimulatedDevice {
  public:
    PseudoTerminalDevice() : simulator_(sim::SimulatorConfig{}) { simulator_.Start(); }
    const std::string& PortPath() const override { return simulator_.PortPath(); }

  private:
    sim::Simulator simulator_;
};

}  // namespace

std::unique_ptr<SimulatedDevice> SimulatedDevice::Start(std::string& error) {
    try {
        return std::make_unique<PseudoTerminalDevice>();
    } catch (const std::exception& cause) {
        error = cause.what();
        return nullptr;
    }
}

}  // namespace kvd::cli
