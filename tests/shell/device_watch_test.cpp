// The start dialog's device search and its two exchanges, against the virtual device in a
// process of its own, found through KVD2730_PORTS as a user's unusual adapter would be.
#include "shell/device_watch.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "devicelink/devicelink.h"
#include "shell/device_search.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct WatchCase {
    const char* name;
    std::vector<std::string> simArgs;  // empty name: no device at all
    bool deviceAbsent;
    bool identifies;
    bool answersCheck;
};

TEST(DeviceWatch, IdentificationAndCheckAgainstEachKindOfDevice) {
    const WatchCase cases[] = {
        {"answering device", {}, false, true, true},
        {"no device on the path", {}, true, false, false},
        {"mode switch refused", {"--fault", "status:2@SetMode"}, false, false, true},
        {"version not echoed", {"--fault", "no-echo@GetGpsDataVersion"}, false, false, true},
        {"echo not echoed", {"--fault", "no-echo@Echo"}, false, true, false},
    };
    const std::string folder = fs::current_path().string();
    // A fresh device for each exchange: a fault leaves the line with stale bytes behind.
    auto run = [](const WatchCase& c, auto exchange) {
        std::unique_ptr<test::SimProcess> device;
        std::string port = (fs::temp_directory_path() / "kvd2730-absent-port").string();
        if (!c.deviceAbsent) {
            device = std::make_unique<test::SimProcess>(c.simArgs);
            port = device->Port();
        }
        return exchange(port);
    };
    for (const WatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c, [](const std::string& port) { return IdentifyDevice(port); }),
                  c.identifies);
        EXPECT_EQ(run(c, [&](const std::string& port) { return CheckConnection(port, folder); }),
                  c.answersCheck);
    }
}

TEST(DeviceSearch, ReportsOnceWhenTheFinderSucceedsThenEnds) {
    std::atomic<int> calls{0};
    DeviceSearch search([&] { return ++calls >= 3 ? 1 : 0; }, 1ms);
    std::promise<uint64_t> found;
    const uint64_t generation = search.Start([&](uint64_t g) { found.set_value(g); });
    ASSERT_NE(generation, 0u);
    auto reported = found.get_future();
    ASSERT_EQ(reported.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(reported.get(), generation);
    search.Stop();
    EXPECT_EQ(calls.load(), 3);
    EXPECT_FALSE(search.IsSearching());
}

TEST(DeviceSearch, OneSearchAtATimeAndANewGenerationAfterIt) {
    std::atomic<bool> succeed{false};
    DeviceSearch search([&] { return succeed.load() ? 1 : 0; }, 1ms);
    std::promise<void> found;
    const uint64_t first = search.Start([&](uint64_t) { found.set_value(); });
    EXPECT_TRUE(search.IsSearching());
    EXPECT_EQ(search.Start([](uint64_t) {}), 0u) << "a second search while one runs";
    succeed = true;
    ASSERT_EQ(found.get_future().wait_for(10s), std::future_status::ready);
    while (search.IsSearching()) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(search.Start([](uint64_t) {}), first + 1);
}

TEST(DeviceSearch, StopEndsTheThreadAndNothingIsReportedAfterIt) {
    std::atomic<int> calls{0};
    std::atomic<bool> reported{false};
    {
        DeviceSearch search([&] { return ++calls, 0; }, 50ms);
        search.Start([&](uint64_t) { reported = true; });
        while (calls.load() < 2) std::this_thread::sleep_for(1ms);
        search.Stop();  // wakes the wait between passes at once
        EXPECT_FALSE(search.IsSearching());
        const int afterStop = calls.load();
        std::this_thread::sleep_for(120ms);
        EXPECT_EQ(calls.load(), afterStop);
        search.Start([&](uint64_t) { reported = true; });
    }  // the destructor stops the second search and joins it
    EXPECT_FALSE(reported.load());
}

// Sets KVD2730_PORTS for one test.
class PortList {
  public:
    explicit PortList(const std::string& path) { ::setenv("KVD2730_PORTS", path.c_str(), 1); }
    ~PortList() { ::unsetenv("KVD2730_PORTS"); }
};

TEST(DeviceSearch, FindsTheVirtualDeviceByItsLinkOnceItAppears) {
    const fs::path link =
        fs::temp_directory_path() / ("kvd2730-search-" + std::to_string(::getpid()));
    fs::remove(link);
    PortList ports(link.string());

    DeviceSearch search;
    std::promise<void> found;
    search.Start([&](uint64_t) { found.set_value(); });
    auto reported = found.get_future();
    EXPECT_EQ(reported.wait_for(300ms), std::future_status::timeout) << "no device yet";

    test::SimProcess device({"--link", link.string()});
    ASSERT_EQ(reported.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(DevicePortName(), link.string());
    // A probe that met the device while it was still starting may have left half a line in
    // it; the dialog's identification tick retries, as here.
    bool identified = false;
    for (int attempt = 0; attempt < 10 && !identified; ++attempt)
        identified = IdentifyDevice(DevicePortName());
    EXPECT_TRUE(identified);
}

}  // namespace
}  // namespace kvd
