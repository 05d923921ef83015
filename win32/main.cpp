// kvd2730.exe: the desktop program on Windows. It sits in the notification area, finds the
// device by itself and opens the transfer window on one click.
//
//   kvd2730            the GPS logs: get them as KML files, delete them
//   kvd2730 --update   upload GPS point data and voice-synthesis data instead
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string_view>

#include "shell/instance_lock.h"
#include "shell/message_catalogue.h"
#include "win32/tray_window.h"

namespace {

constexpr wchar_t kUsage[] = L"usage: kvd2730 [--update]";

// The mode the command line asks for; false with an unknown option.
bool ReadMode(kvd::TransferWindowMode& mode) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    bool understood = true;
    for (int k = 1; k < count; ++k) {
        const std::wstring_view argument(arguments[k]);
        if (argument == L"--update")
            mode = kvd::ModeUpdate;
        else
            understood = false;
    }
    LocalFree(arguments);
    return understood;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kvd::TransferWindowMode mode = kvd::ModeGpsLog;
    if (!ReadMode(mode)) {
        MessageBoxW(nullptr, kUsage, L"kvd2730", MB_OK);
        return 2;
    }
    // After a crash or an update the system starts the program again, in the same mode.
    RegisterApplicationRestart(mode == kvd::ModeUpdate ? L"--update" : nullptr, 0);
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    // The system's choosers are COM objects of this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    kvd::InitUserLanguage();
    int status = 0;
    {
        kvd::InstanceLock lock;
        kvd::win32::TrayWindow tray(lock, mode);
        status = tray.Run();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return status;
}
