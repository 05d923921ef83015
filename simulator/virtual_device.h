// The virtual KVD-2730: reads command lines with their echo and answers them.
#pragma once

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simulator/device_storage.h"
#include "simulator/device_wire.h"
#include "simulator/fault_plan.h"
#include "simulator/ymodem_device_side.h"

namespace kvd::sim {

// How the device reads a command line.
enum class LineModel {
    // Every byte that arrives is part of the line and echoed, control bytes included; a line
    // that stops half-way stays open, however long, until a line feed ends it.
    Strict,
    // Control bytes before a command are dropped unechoed (the tail of an abandoned transfer);
    // a line left unfinished for 100 ms is given up.
    Lenient,
};

// The journal (DeviceOptions::journalPath) has one entry a line, appended as it happens:
//   a served command line, byte for byte as received, with its line feed;
//   [dropped HEX]               lenient: control bytes before a command, dropped unechoed
//   [dropped partial line HEX]  lenient: a line given up after 100 ms of silence
//   [dropped overlong line HEX] a line past the length limit, cleared
//   [unfinished line HEX]       strict: the line still open when the device stopped
//   [batch: host cancelled]     CAN (and a CAN right behind it) ended a batch
//   [batch: host sent HEX]      a byte with no place in the batch: a garbled answer (the
//                               block goes again) or line noise at a block start (NAKed)
//   [batch: given up]           too many resends or stray bytes: the batch is abandoned
// HEX is the bytes in upper-case hex, separated by spaces ("18 18"). A CAN reached the device
// outside a batch exactly when a served line holds byte 0x18 or a non-batch entry holds "18".
struct DeviceOptions {
    FaultPlan fault;
    std::string storeDir;      // where uploaded files are kept; empty = memory only
    int dataBlockSize = 1024;  // 1024 or 128 for the data blocks it sends
    std::string journalPath;   // see above; empty = none
    LineModel lineModel = LineModel::Strict;
};

class VirtualDevice {
  public:
    VirtualDevice(DeviceWire& wire, DeviceStorage& storage, DeviceOptions options);

    // Serves commands until `stop` is set or the line goes dead.
    void Run(const std::atomic<bool>& stop);

    // Serves one command line; false when none came within the wait. In the strict model a
    // line begun in one call is finished in a later one.
    bool ServeOne(int waitMs);

  private:
    bool ReadCommandLine(std::string& line, int waitMs);
    // Takes one byte into the open line, with its echo.
    void TakeLineByte(uint8_t byte);
    void Journal(const std::string& entry);
    // "[LABEL HEX]"; nothing for no bytes.
    void JournalBytes(const char* label, const std::string& bytes);
    void Execute(const std::string& line);
    void Reply(const std::string& text);  // queued until the prompt or FlushReply
    void FlushReply();
    // Queues "WORD STATUS"; false when a chosen status fault makes it read as another status.
    bool StatusLine(const std::string& word, int status);
    // The status line of a transfer; false (and the prompt sent) when it is not a 1.
    bool AnnounceBatch(const std::string& word);
    void Prompt();
    void Serve(const std::string& line);
    // True when the armed fault is of this kind and applies to the current command.
    bool FaultActive(FaultKind kind);

    // Runs the YMODEM commands; false when the command is not one of them.
    bool ServeTransfer(const std::string& command, const std::string& argument);
    void SendFiles(const std::string& word, std::span<const StoredFile> files);
    void ReceiveFiles(const std::string& word);
    void SendSlot(const std::string& word, std::span<const Slot> slots,
                  const std::string& argument);
    void KeepUploads(const std::string& word, std::vector<StoredFile>& files);
    // A batch the host broke off: what it sent is dropped and no prompt follows.
    void AbandonReply();
    YmodemDeviceSide TransferSide();

    void ListReply(const std::string& word, std::span<const Slot> slots);
    void DeleteLog(const std::string& argument);
    void SetMode(const std::string& argument);

    DeviceWire& wire_;
    DeviceStorage& storage_;
    DeviceOptions options_;
    std::string currentCommand_;
    std::string openLine_;  // the line read so far; in the strict model it outlives a wait
    std::string pendingReply_;
    bool faultArmed_ = true;
    bool faultFired_ = false;  // the fault acted on the current command
    int mode_ = 0;
    std::optional<StoredFile> flashImage_;  // the last firmware written, read back by ReadFlashRom
};

}  // namespace kvd::sim
