// The conversion checks icon servers unless told otherwise: these tests never reach the
// network, even when run outside ctest (which sets the same variable).
#include <cstdlib>

namespace {
const bool kOffline = ::setenv("KVD2730_OFFLINE", "1", 1) == 0;
}  // namespace
