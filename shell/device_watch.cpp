#include "shell/device_watch.h"

#include "devicelink/devicelink.h"

namespace kvd {

bool IdentifyDevice(const std::string& portName) {
    DeviceCall call;
    call.timeoutMs = kWatchTimeoutMs;
    if (!RunDeviceCommand(portName, command_line::kSetMode, call).Succeeded()) return false;
    std::string version;
    call.replyOut = &version;
    // The version's content does not matter; a device that answers with one is ours.
    return RunDeviceCommand(portName, command_line::kGpsDataVersion, call).Succeeded() &&
           !version.empty();
}

bool CheckConnection(const std::string& portName, const std::string& folder) {
    DeviceCall call;
    call.timeoutMs = kWatchTimeoutMs;
    call.folder = folder.c_str();
    return RunDeviceCommand(portName, command_line::kIdentify, call).Succeeded();
}

}  // namespace kvd
