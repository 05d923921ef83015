// The program's arguments as UTF-8, whatever the system's code page, and a console that
// shows the UTF-8 we print.
#pragma once

#include <string>
#include <vector>

namespace kvd::cli {

// The arguments after the program's name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace kvd::cli
