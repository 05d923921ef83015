// Finding the device among several pseudo-terminals: silent ones, other devices, busy ones.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "devicelink/devicelink.h"
#include "devicelink/transport.h"
#include "simulator/pseudo_terminal.h"
#include "support/scripted_peer.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

TEST(ComPortNumberFromFriendlyName, TakesTheDigitsAfterTheFirstCom) {
    const std::pair<const char*, std::optional<int32_t>> cases[] = {
        {"USB Serial Device (COM12)", 12},
        {"Communications Port (COM1)", 1},      // "Com" at the start does not match
        {"COMX Adapter (COM3)", std::nullopt},  // only the first COM is tried
        {"Port COM65535", 65535},
        {"Port COM65536", std::nullopt},
        {"Port COM99999999999999", std::nullopt},  // saturates, still too large
        {"COM007", 7},
        {"com5", std::nullopt},
        {"Bluetooth link", std::nullopt},
        {"COM", std::nullopt},
    };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(ComPortNumberFromFriendlyName(name), number) << name;
}

// Sets KVD2730_PORTS for one test.
class PortList {
  public:
    explicit PortList(const std::vector<std::string>& paths) {
        std::string joined;
        for (const std::string& path : paths) joined += (joined.empty() ? "" : ":") + path;
        ::setenv("KVD2730_PORTS", joined.c_str(), 1);
    }
    ~PortList() { ::unsetenv("KVD2730_PORTS"); }
};

// The kinds of port a discovery meets.
enum class Kind { Silent, OtherDevice, Busy, Device };

struct Port {
    std::unique_ptr<sim::PseudoTerminal> silent;
    std::unique_ptr<test::ScriptedPeer> other;
    std::unique_ptr<test::SimProcess> device;
    std::unique_ptr<LinkContext> holder;  // keeps a device's port open
    std::string path;
};

Port MakePort(Kind kind) {
    Port port;
    switch (kind) {
        case Kind::Silent:
            port.silent = std::make_unique<sim::PseudoTerminal>();
            port.path = port.silent->SlavePath();
            break;
        case Kind::OtherDevice:
            port.other = std::make_unique<test::ScriptedPeer>(
                std::vector<test::PeerStep>{{"GPS-9000 ready\n> "}});
            port.path = port.other->Port();
            break;
        case Kind::Busy:
        case Kind::Device:
            port.device = std::make_unique<test::SimProcess>();
            port.path = port.device->Port();
            if (kind == Kind::Busy) {
                port.holder = std::make_unique<LinkContext>();
                port.holder->portName = port.path;
                EXPECT_TRUE(OpenSerialPort(*port.holder, 100));
            }
            break;
    }
    return port;
}

class Discovery : public testing::TestWithParam<std::vector<Kind>> {};

TEST_P(Discovery, TakesTheFirstPortThatAnswersAsTheDevice) {
    std::vector<Port> ports;
    std::vector<std::string> paths;
    for (const Kind kind : GetParam()) {
        ports.push_back(MakePort(kind));
        paths.push_back(ports.back().path);
    }
    PortList list(paths);
    ASSERT_EQ(FindDevicePort(), 1);
    const auto device = std::find(GetParam().begin(), GetParam().end(), Kind::Device);
    const std::size_t index = static_cast<std::size_t>(device - GetParam().begin());
    EXPECT_EQ(DevicePortName(), paths[index]);
    EXPECT_EQ(g_devicePort, static_cast<int32_t>(index));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, Discovery,
    testing::Values(std::vector<Kind>{Kind::Device},
                    std::vector<Kind>{Kind::Silent, Kind::OtherDevice, Kind::Busy, Kind::Device},
                    std::vector<Kind>{Kind::Busy, Kind::Device, Kind::Silent},
                    std::vector<Kind>{Kind::OtherDevice, Kind::Device, Kind::Device},
                    std::vector<Kind>{Kind::Device, Kind::Device}));

TEST(Discovery, FindsNothingAmongPortsThatAreNotTheDevice) {
    std::vector<Port> ports;
    std::vector<std::string> paths{"/dev/kvd2730-absent"};
    for (const Kind kind : {Kind::Silent, Kind::OtherDevice, Kind::Busy}) {
        ports.push_back(MakePort(kind));
        paths.push_back(ports.back().path);
    }
    PortList list(paths);
    SetDevicePort(-1, "");
    EXPECT_EQ(FindDevicePort(), 0);
    EXPECT_EQ(g_devicePort, -1);
    EXPECT_EQ(DevicePortName(), "");
}

TEST(ProbePortPath, TellsWhyAPortWasNotTheDevice) {
    Port busy = MakePort(Kind::Busy);
    Port silent = MakePort(Kind::Silent);
    EXPECT_EQ(ProbePortPath(busy.path).outcome, ProbeOutcome::CannotOpen);
    EXPECT_EQ(ProbePortPath(busy.path).openError, PortOpenError::Busy);
    EXPECT_EQ(ProbePortPath("/dev/kvd2730-absent").openError, PortOpenError::NotFound);
    EXPECT_EQ(ProbePortPath(silent.path).outcome, ProbeOutcome::NotTheDevice);
}

TEST(ListPortCandidates, StartsWithThePortsListedInTheEnvironment) {
    PortList list({"/dev/one", "", "/dev/two", "/dev/one"});
    const std::vector<PortCandidate> candidates = ListPortCandidates();
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].path, "/dev/one");
    EXPECT_EQ(candidates[1].path, "/dev/two");  // empty entries and repeats are dropped
    EXPECT_EQ(candidates[1].number, 1);
}

}  // namespace
}  // namespace kvd
