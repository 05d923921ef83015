// kvd2730: the desktop program. It sits in the notification area, finds the device by itself
// and opens the transfer window on one click.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "shell/shell.h"
#include "shell/tray_window.h"

int main(int argc, char** argv) {
    // Answered before any window system is needed, as packaging checks and scripts ask it.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("kvd2730 %s\n", KVD_VERSION);
        return 0;
    }
    // The device link's diagnostic lines go out as they happen, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    // The program lives on in its icon while its windows come and go.
    application.setQuitOnLastWindowClosed(false);
    kvd::InitUserLanguage();
    kvd::CTrayWindow tray;
    return tray.Run();
}
