// The device link: everything that talks to the KVD-2730 over its serial port.
// Other folders include only this header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/cancel_request.h"

namespace kvd {

// Transfer direction of a YMODEM batch; also the last argument of every progress report.
enum TransferMode : int32_t {
    ReceiveToFile = 0,
    ReceiveToMemory = 1,
    SendFile = 2,
};

// Reports transfer progress: percent in whole blocks (may exceed 100 on the last block),
// the file name shown to the user, seconds so far and the projected total.
using ProgressCallback = void (*)(void* context, int32_t percent, const char* fileName,
                                  double elapsedSeconds, double estimatedTotalSeconds,
                                  int32_t mode);

// Runs after a successful transfer reply; its result becomes the command's result.
using CompletionCallback = int32_t (*)(void* context, const uint8_t* data, int32_t size,
                                       const char* folder, const char* fileName);

// Number of the device's port once discovery succeeded; -1 before.
extern std::atomic<int32_t> g_devicePort;

// Why the last OpenSerialPort on this thread failed; lets callers tell "absent" from "no access".
enum class PortOpenError { None, NotFound, PermissionDenied, Busy, NotASerialPort, Other };
PortOpenError LastPortOpenError();

// Where a failed device call stopped, so that callers can say what failed and why.
enum class CallFailure {
    None,
    Unsendable,  // a line or path too long for the protocol; nothing was sent
    Open,        // the port could not be opened (see openError)
    Echo,        // the device did not echo the command line
    NoAnswer,    // the reply did not come within the time-out
    BadReply,    // a reply line too long for any buffer
    Refused,     // the device answered with a refusal (see reply)
    Transfer,    // the file transfer failed (see blockIndex)
    Completion,  // the completion handler failed
};

// What made a call fail, noted at the step that failed; None when only the call's stage is known.
enum class FailureCause {
    None,
    TimedOut,         // nothing arrived within the per-byte time-out
    Disconnected,     // the line went away (unplugged, hung up, a line error)
    Aborted,          // the caller's cancel request stopped the wait or the transfer
    DeviceCancelled,  // the device sent CAN
    BadData,          // a block or block 0 failed its checks
    OutOfMemory,      // no memory for the announced file
    FileMissing,      // the local file to send does not exist
    FileUnreadable,   // the local file to send cannot be read (detail says why)
    FileEmpty,        // the local file to send has no bytes
    FileTooLarge,     // the local file is larger than a transfer can carry
    FileUnwritable,   // a received file could not be stored (detail says why)
};

// How a device call ended.
enum class CallStatus {
    Done,         // the reply was read and said yes
    Transferred,  // the same, and the batch it announced moved (and its handler, if any, succeeded)
    Failed,       // see failure and cause
    Cancelled,    // the caller's cancel request stopped it; nothing after that point happened
};

struct CallOutcome {
    CallStatus status = CallStatus::Failed;
    CallFailure failure = CallFailure::None;
    PortOpenError openError = PortOpenError::None;
    FailureCause cause = FailureCause::None;
    std::string detail;       // the system's own words for a local file cause
    std::string reply;        // the last reply line that was not the prompt
    int64_t blockIndex = -1;  // the data block a transfer stopped at, when known
    int32_t timeoutMs = 0;    // the per-byte time-out the call ran with
    uint64_t bytesHeard = 0;  // bytes the port delivered: whether anything answered at all

    bool Succeeded() const {
        return status == CallStatus::Done || status == CallStatus::Transferred;
    }
    bool Cancelled() const { return status == CallStatus::Cancelled; }
};

// Largest file we move in either direction. Far above any log, record or data file the device
// holds, and small enough that a lying size field cannot make us allocate without bound.
inline constexpr int64_t kMaxTransferSize = 256LL * 1024 * 1024;

// How long a call waits for each byte from the device unless told otherwise.
inline constexpr int32_t kDefaultTimeoutMs = 30000;

// Optional arguments of one device call.
struct DeviceCall {
    const char* folder = nullptr;    // destination of received files / location of a file to send
    const char* fileName = nullptr;  // local file to send, relative to folder
    int32_t timeoutMs = kDefaultTimeoutMs;  // per-byte time-out
    ProgressCallback progress = nullptr;
    void* progressContext = nullptr;
    std::string* replyOut = nullptr;          // receives the last non-prompt reply line
    CompletionCallback completion = nullptr;  // a result of 0 fails the call
    void* completionContext = nullptr;
    // The caller's request to stop. Set before the call, nothing is sent; set during it, the
    // call stops within about 100 ms (a batch after telling the device) and says Cancelled.
    const CancelRequest* cancel = nullptr;
};

// One conversation with the device: open the port, send one command line, read the reply
// (moving a file for the transfer commands), run the completion handler, close the port.
CallOutcome RunDeviceCommand(const std::string& portName, const std::string& command,
                             const DeviceCall& call = {});

// Mapping of command lines to the device's command words.
int32_t LookupCommandId(const std::string& command);

// Word k of a reply or command line, as the device's line protocol splits words.
std::string ExtractWord(const std::string& text, int k);

// Where the link writes its diagnostic lines (every reply line, the transfer state texts).
// Standard output by default; nullptr silences them.
void SetDiagnosticStream(std::FILE* stream);

}  // namespace kvd

#include "devicelink/ansi_text.h"       // IWYU pragma: export
#include "devicelink/command_table.h"   // IWYU pragma: export
#include "devicelink/link_recovery.h"   // IWYU pragma: export
#include "devicelink/list_reply.h"      // IWYU pragma: export
#include "devicelink/port_discovery.h"  // IWYU pragma: export
#include "devicelink/safe_file_name.h"  // IWYU pragma: export
