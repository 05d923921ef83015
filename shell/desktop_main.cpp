// kvd2730: the desktop program. Until the start dialog finds the device by itself, the
// transfer window opens on the port named by KVD2730_PORT (a device path such as
// /dev/ttyACM0 or the virtual device's pseudo-terminal); KVD2730_MODE=update opens its
// update mode.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "devicelink/devicelink.h"
#include "shell/shell.h"
#include "transfer/transfer_window.h"

int main(int argc, char** argv) {
    // Answered before any window system is needed, as packaging checks and scripts ask it.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("kvd2730 %s\n", KVD_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    kvd::InitUserLanguage();

    const char* port = std::getenv("KVD2730_PORT");
    if (port == nullptr || *port == '\0') {
        QMessageBox::critical(nullptr, QStringLiteral("ERROR"),
                              QStringLiteral("KVD2730_PORT names no port."));
        return 1;
    }
    kvd::SetDevicePort(0, port);

    const char* mode = std::getenv("KVD2730_MODE");
    const bool update = mode != nullptr && std::string_view(mode) == "update";
    kvd::CKVD2730Dlg window(nullptr, update ? kvd::ModeUpdate : kvd::ModeGpsLog);
    kvd::g_transferDlg = &window;
    window.exec();
    kvd::g_transferDlg = nullptr;
    return 0;
}
