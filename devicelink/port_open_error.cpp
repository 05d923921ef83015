#include "devicelink/port_open_error.h"

namespace kvd {
namespace {

thread_local PortOpenError t_lastPortOpenError = PortOpenError::None;

}  // namespace

void SetLastPortOpenError(PortOpenError error) { t_lastPortOpenError = error; }
PortOpenError LastPortOpenError() { return t_lastPortOpenError; }

}  // namespace kvd
