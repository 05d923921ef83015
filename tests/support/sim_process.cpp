#include "support/sim_process.h"

#include <cstdlib>

namespace kvd::test {

std::string SimulatorBinary() {
    const char* path = std::getenv("KVD2730_SIM");
    return path && *path ? path : KVD2730_SIM_BUILT;
}

}  // namespace kvd::test
