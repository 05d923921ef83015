// Serial port candidates on Windows: every present device whose friendly name carries
// "COM" and a number, in the order the Setup API lists them.
#include <windows.h>
// after windows.h
#include <setupapi.h>

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

}  // namespace

std::vector<PortCandidate> ListPortCandidates() {
    std::vector<PortCandidate> candidates;
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
        if (!number) continue;
        candidates.push_back({"\\\\.\\COM" + std::to_string(*number), friendlyName, *number});
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return candidates;
}

}  // namespace kvd
