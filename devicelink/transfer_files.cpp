#include "devicelink/transfer_files.h"

namespace kvd {

// File transfers are not wired in yet: the transfer commands fail cleanly.
int32_t TransferFiles(LinkContext&, TransferMode) { return 0; }
int32_t SendDeviceFile(LinkContext&, const std::string&) { return 0; }

}  // namespace kvd
