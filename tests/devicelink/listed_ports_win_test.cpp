// KVD2730_PORTS on Windows: the ports it names come first, each once, as the paths the serial
// code opens; names that are no COM port are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "devicelink/port_discovery.h"

namespace kvd {
namespace {

struct Case {
    const char* listed;
    std::vector<std::string> paths;
};

class ListedPorts : public testing::TestWithParam<Case> {
  protected:
    void TearDown() override { _putenv_s("KVD2730_PORTS", ""); }
};

TEST_P(ListedPorts, ComeFirstEachOnce) {
    _putenv_s("KVD2730_PORTS", GetParam().listed);
    const std::vector<PortCandidate> candidates = ListPortCandidates();
    const std::vector<std::string>& expected = GetParam().paths;
    ASSERT_GE(candidates.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(candidates[k].path, expected[k]);
        EXPECT_EQ(candidates[k].description, "listed in KVD2730_PORTS");
        EXPECT_EQ("\\\\.\\COM" + std::to_string(candidates[k].number), expected[k]);
    }
    for (std::size_t k = expected.size(); k < candidates.size(); ++k)
        EXPECT_NE(candidates[k].description, "listed in KVD2730_PORTS");
}

INSTANTIATE_TEST_SUITE_P(Names, ListedPorts,
                         testing::Values(Case{"COM5", {"\\\\.\\COM5"}},
                                         Case{"COM5;COM7", {"\\\\.\\COM5", "\\\\.\\COM7"}},
                                         Case{"\\\\.\\COM12", {"\\\\.\\COM12"}},
                                         Case{"COM5;;COM5;ttyUSB0;COMX;COM3",
                                              {"\\\\.\\COM5", "\\\\.\\COM3"}},
                                         Case{"", {}}));

}  // namespace
}  // namespace kvd
