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
    std::string send;                        // bytes to send
    std::chrono::milliseconds delayEach{0};  // pause before each byte of `send`
    // Host bytes to read (and record) before sending: the peer answers what it was sent.
    // kUntilQuiet reads until the host has been quiet for a moment.
    std::size_t expect = 0;

    static constexpr std::size_t kUntilQuiet = static_cast<std::size_t>(-1);
};

// Reads `count` host bytes, then sends `answer`.
inline PeerStep AfterHost(std::size_t count, std::string answer = {}) {
    return PeerStep{std::move(answer), std::chrono::milliseconds(0), count};
}

enum class PeerEcho { Same, Different, None };

class ScriptedPeer {
  public:
    // Reads the host's command line up to its line feed, echoing as asked, then runs the steps.
    explicit ScriptedPeer(std::vector<PeerStep> steps, PeerEcho echo = PeerEcho::Same);
    ~ScriptedPeer();

    const std::string& Port() const { return terminal_.SlavePath(); }
    // Everything the host wrote that the peer read, available once the peer finished.
    std::string Received();

  private:
    sim::PseudoTerminal terminal_;
    std::thread thread_;
    std::string received_;
};

}  // namespace kvd::test
