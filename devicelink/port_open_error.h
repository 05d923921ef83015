#pragma once

#include "devicelink/devicelink.h"

namespace kvd {

// Remembers, per thread, why the last port open failed (see LastPortOpenError).
void SetLastPortOpenError(PortOpenError error);

}  // namespace kvd
