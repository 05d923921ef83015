#include "cli/program_arguments.h"

namespace kvd::cli {

// The bytes as given: file names on Linux are bytes, and our texts are UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace kvd::cli
