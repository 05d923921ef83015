#include "shell/device_watch.h"

#include "devicelink/devicelink.h"

namespace kvd {

bool IdentifyDevice(const std::string& portName) {
    DeviceCall call;
    call.timeoutMs = kWatchTimeoutMs;
    if (RunDeviceCommand(portName, "SetMode 1\n", call) == 0) return false;
    std::string version;
    call.replyOut = &version;
    // The version's content does not matter; a device that answers with one is ours.
    return RunDeviceCommand(portName, "GetGpsDataVersion\n", call) != 0 && !version.empty();
}

bool CheckConnection(const std::string& portName, const std::string& folder) {
    DeviceCall call;
    call.timeoutMs = kWatchTimeoutMs;
    call.folder = folder.c_str();
    return RunDeviceCommand(portName, "Echo KVD-2730\n", call) != 0;
}

}  // namespace kvd
