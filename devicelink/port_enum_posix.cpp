// Serial port candidates on Linux: the ports named in KVD2730_PORTS first, then every USB
// serial device under /sys/class/tty, described by its USB product and /dev/serial/by-id name.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "devicelink/port_discovery.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;

std::string ReadFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string CanonicalOrSelf(const std::string& path) {
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    return error ? path : canonical.string();
}

// by-id names keyed by the device they point to, e.g. /dev/ttyACM0 -> usb-Maker_Logger-if00.
std::string ByIdName(const std::string& device) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", error)) {
        if (CanonicalOrSelf(entry.path().string()) == device)
            return entry.path().filename().string();
    }
    return {};
}

bool IsUsbSerial(const fs::path& ttyClassEntry) {
    std::error_code error;
    const fs::path subsystem = fs::read_symlink(ttyClassEntry / "device" / "subsystem", error);
    if (error) return false;
    const std::string bus = subsystem.filename().string();
    return bus == "usb" || bus == "usb-serial";
}

std::string UsbProduct(const fs::path& ttyClassEntry) {
    // The tty's device is a USB interface (ACM) or a usb-serial port; the product is further up.
    std::error_code error;
    fs::path device = fs::canonical(ttyClassEntry / "device", error);
    for (int up = 0; !error && up < 4 && !device.empty(); ++up, device = device.parent_path()) {
        if (fs::exists(device / "product")) return ReadFirstLine(device / "product");
    }
    return {};
}

}  // namespace

std::vector<PortCandidate> ListPortCandidates() {
    std::vector<PortCandidate> candidates;
    std::set<std::string> seen;
    auto add = [&](const std::string& path, std::string description) {
        if (!seen.insert(CanonicalOrSelf(path)).second) return;
        const int32_t number = static_cast<int32_t>(candidates.size());
        candidates.push_back({path, std::move(description), number});
    };

    if (const char* listed = std::getenv("KVD2730_PORTS")) {
        std::string list = listed;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) add(list.substr(start, end - start), "listed in KVD2730_PORTS");
            start = end + 1;
        }
    }

    std::set<std::string> ttys;  // sorted: ttyACM0 before ttyACM1 before ttyUSB0
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/tty", error)) {
        if (IsUsbSerial(entry.path())) ttys.insert(entry.path().filename().string());
    }
    for (const std::string& tty : ttys) {
        const std::string device = "/dev/" + tty;
        std::string description = UsbProduct(fs::path("/sys/class/tty") / tty);
        const std::string byId = ByIdName(device);
        if (!byId.empty()) description += (description.empty() ? "" : ", ") + byId;
        add(device, description.empty() ? "USB serial device" : description);
    }
    return candidates;
}

}  // namespace kvd
