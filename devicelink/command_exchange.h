#pragma once

#include "devicelink/command_table.h"
#include "devicelink/link_context.h"

namespace kvd {

// Reads the reply to the command line just sent, as the row of the command table says.
int32_t DispatchReply(const CommandRow* row, LinkContext& context);

}  // namespace kvd
