// One injected fault of the virtual device, from --fault KIND[:ARG][@WORD].
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvd::sim {

enum class FaultKind {
    None,
    NoEcho,         // command bytes are not echoed
    WrongEcho,      // every echo byte is a different byte
    SilenceAfter,   // ARG: nothing more is sent after ARG bytes of this reply
    LongLine,       // the reply starts with a line longer than any buffer
    Status,         // ARG: every status line carries this status text
    BadCrc,         // ARG: data block k carries a wrong CRC
    BadComplement,  // ARG: data block k carries a wrong number complement
    SkipBlock,      // ARG: data block k is numbered k+1
    RepeatBlock,    // ARG: data block k is sent twice
    Stall,          // ARG: the device stops after k data blocks
    Cancel,         // ARG: CAN instead of data block k
    Garbage,        // ARG: a stray byte instead of data block k
    SizeLarger,     // block 0 announces more bytes than the file has
    SizeSmaller,    // block 0 announces fewer bytes than the file has
    SizeNegative,   // block 0 announces a negative size
    SizeHuge,       // block 0 announces a size no memory can hold
    Nak,            // ARG: on upload, the device answers block k with NAK once
    CInsteadOfAck,  // the device answers "C" where an ACK belongs
    BrokenEot,      // the end-of-file handshake is answered wrongly
    Unplug,         // ARG: the line goes dead after k data blocks
    FileName,       // ARG: block 0 names the file ARG (unsafe names)
};

struct FaultPlan {
    FaultKind kind = FaultKind::None;
    std::string arg;    // the ARG text, empty when none was given
    std::string scope;  // only commands containing this word; empty = every command
    bool once = false;  // disarm after the first command it touched

    int64_t Number(int64_t fallback) const;
    bool AppliesTo(const std::string& commandLine) const;
};

// Parses KIND[:ARG][@WORD]; nullopt for an unknown kind.
std::optional<FaultPlan> ParseFault(const std::string& text);

// The kinds, for --help.
std::string FaultKindList();

}  // namespace kvd::sim
