// Serial port candidates on Windows: the ports named in KVD2730_PORTS first (separated by
// semicolons: "COM5;COM7"), then every present device whose friendly name carries "COM" and a
// number, in the order the Setup API lists them. The variable serves adapters whose drivers
// give no such name, and ports that only exist as a mapping (a COM port of Wine).
#include <windows.h>
// after windows.h
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "devicelink/port_discovery.h"

namespace kvd {
namespace {

std::string Utf8(const wchar_t* text) {
    const std::wstring_view wide(text);
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

void AddListedPorts(std::vector<PortCandidate>& candidates, std::set<int32_t>& seen) {
    const char* listed = std::getenv("KVD2730_PORTS");
    if (listed == nullptr) return;
    const std::string list = listed;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        const std::string name = list.substr(start, end - start);
        start = end + 1;
        // "COM5" and \\.\COM5 both name port 5.
        const auto number = ComPortNumberFromFriendlyName(name);
        if (!number || !seen.insert(*number).second) continue;
        candidates.push_back(
            {"\\\\.\\COM" + std::to_string(*number), "listed in KVD2730_PORTS", *number});
    }
}

}  // namespace

std::vector<PortCandidate> ListPortCandidates() {
    std::vector<PortCandidate> candidates;
    std::set<int32_t> seen;
    AddListedPorts(candidates, seen);
    HDEVINFO devices =
        ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE) return candidates;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices, index, &info); ++index) {
        DWORD size = 0;
        ::SetupDiGetDeviceRegistryPropertyW(devices, &info, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0,
                                            &size);
        if (size == 0) continue;  // no friendly name
        std::vector<wchar_t> name(size / sizeof(wchar_t) + 1, L'\0');
        if (!::SetupDiGetDeviceRegistryPropertyW(devices, &info, SPDRP_FRIENDLYNAME, nullptr,
                                                 reinterpret_cast<BYTE*>(name.data()), size,
                                                 nullptr))
            continue;
        const std::string friendlyName = Utf8(name.data());
        const auto number = ComPortNumberFromFriendlyName(friendlyName);
        if (!number || !seen.insert(*number).second) continue;
        candidates.push_back({"\\\\.\\COM" + std::to_string(*number), friendlyName, *number});
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return candidates;
}

}  // namespace kvd
