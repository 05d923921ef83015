// A device stand-in on a real pseudo-terminal that answers with exact bytes, for the
// line-level cases the virtual device never produces on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "simulator/pseudo_terminal.h"

namespace kvd::test {

struct PeerStep {
    std::string send;            // bytes to send
    std::chrono::milliseconds delayEach{0};  // pause before each byte of `send`
};

enum class PeerEcho { Same, Different, None };

class ScriptedPeer {
public:
    // Reads the host's command line up to its line feed, echoing as asked, then runs the steps.
    explicit ScriptedPeer(std::vector<PeerStep> steps, PeerEcho echo = PeerEcho::Same);
    ~ScriptedPeer();

    const std::string& Port() const { return terminal_.SlavePath(); }
    // Everything the host wrote, available once the peer finished.
    std::string Received();

private:
    sim::PseudoTerminal terminal_;
    std::thread thread_;
    std::string received_;
};

}  // namespace kvd::test
