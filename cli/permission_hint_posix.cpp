// On Linux a serial port belongs to a group (usually dialout); its members may open it.
#include <grp.h>
#include <sys/stat.h>

#include "cli/permission_hint.h"

namespace kvd::cli {

std::string PermissionHint(const std::string& port) {
    struct stat info {};
    if (::stat(port.c_str(), &info) != 0) return {};
    // Joining a group helps only when the group may read and write the port; joining root's
    // group is never advice to give.
    const bool groupMayUse = (info.st_mode & S_IRGRP) != 0 && (info.st_mode & S_IWGRP) != 0;
    if (!groupMayUse || info.st_gid == 0) return {};
    const group* owner = ::getgrgid(info.st_gid);
    const std::string name = owner ? owner->gr_name : std::to_string(info.st_gid);
    return " (members of the group '" + name + "' may open it: sudo usermod -aG " + name +
           " $USER, then log in again)";
}

}  // namespace kvd::cli
