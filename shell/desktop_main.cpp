// kvd2730: the desktop program. It sits in the notification area, finds the device by itself
// and opens the transfer window on one click.
//
//   kvd2730            the GPS logs: get them as KML files, delete them
//   kvd2730 --update   upload GPS point data and voice-synthesis data instead
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "shell/instance_lock.h"
#include "shell/shell.h"
#include "shell/tray_window.h"

int main(int argc, char** argv) {
    // Answered before any window system is needed, as packaging checks and scripts ask it.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("kvd2730 %s\n", KVD_VERSION);
        return 0;
    }
    kvd::TransferWindowMode mode = kvd::ModeGpsLog;
    for (int k = 1; k < argc; ++k) {
        const std::string_view argument(argv[k]);
        if (argument == "--update") {
            mode = kvd::ModeUpdate;
        } else if (argument == "--help" || argument == "-h") {
            std::printf("usage: kvd2730 [--update | --version]\n");
            return 0;
        } else if (argument.starts_with("--")) {  // Qt's own options have one dash
            std::fprintf(stderr,
                         "kvd2730: unknown option %s\nusage: kvd2730 [--update | --version]\n",
                         argv[k]);
            return 2;
        }
    }
    // The device link's diagnostic lines go out as they happen, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    // The program lives on in its icon while its windows come and go.
    application.setQuitOnLastWindowClosed(false);
    kvd::InitUserLanguage();
    kvd::InstanceLock lock;
    kvd::CTrayWindow tray(lock, mode);
    return tray.Run();
}
