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

struct DeviceOptions {
    FaultPlan fault;
    std::string storeDir;      // where uploaded files are kept; empty = memory only
    int dataBlockSize = 1024;  // 1024 or 128 for the data blocks it sends
    std::string journalPath;   // every command line received is appended here; empty = none
};

class VirtualDevice {
public:
    VirtualDevice(DeviceWire& wire, DeviceStorage& storage, DeviceOptions options);

    // Serves commands until `stop` is set or the line goes dead.
    void Run(const std::atomic<bool>& stop);

    // Serves one command line; false when none came within the wait.
    bool ServeOne(int waitMs);

private:
    bool ReadCommandLine(std::string& line, int waitMs);
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
    std::string pendingReply_;
    bool faultArmed_ = true;
    bool faultFired_ = false;  // the fault acted on the current command
    int mode_ = 0;
    std::optional<StoredFile> flashImage_;  // the last firmware written, read back by ReadFlashRom
};

}  // namespace kvd::sim
