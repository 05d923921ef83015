// The virtual device's end of a pseudo-terminal pair.
#pragma once

#include <string>

namespace kvd::sim {

class PseudoTerminal {
  public:
    // Opens a new pair; throws std::system_error when the system has none to give.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Hangs up: the port side then reads end-of-file or an I/O error, as after an unplug.
    void Hangup();

  private:
    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the pair alive between the host's opens
    std::string slavePath_;
};

}  // namespace kvd::sim
