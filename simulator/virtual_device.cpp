#include "simulator/virtual_device.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/atomic_file.h"
#include "simulator/ymodem_device_receiver.h"
#include "simulator/ymodem_device_sender.h"

namespace kvd::sim {
namespace {

constexpr std::size_t kMaxCommandLine = 4096;
constexpr int kPartialLineTimeoutMs = 100;

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A slot number argument: decimal digits only, inside [0, count).
int SlotIndex(const std::string& argument, int count) {
    if (argument.empty() || argument.size() > 3) return -1;
    for (const char c : argument)
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    const int index = std::atoi(argument.c_str());
    return index < count ? index : -1;
}

// Whether a status text, as a device would send it, means the status: decimal digits whose
// value is the status, leading zeros allowed. The device's own reading, independent of how
// the host reads replies, so that a fault shared by both would not go unseen.
bool MeansStatus(const std::string& text, int status) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::size_t firstDigit = std::min(text.find_first_not_of('0'), text.size() - 1);
    return text.substr(firstDigit) == std::to_string(status);
}

// What ReadFlashRom gives before any firmware was written: a recognisable pattern.
StoredFile BuiltInFlashImage() {
    StoredFile image{"flash.bin", std::vector<uint8_t>(3000)};
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    return image;
}

}  // namespace

VirtualDevice::VirtualDevice(DeviceWire& wire, DeviceStorage& storage, DeviceOptions options)
    : wire_(wire), storage_(storage), options_(std::move(options)) {}

void VirtualDevice::Run(const std::atomic<bool>& stop) {
    while (!stop && !wire_.Dead()) ServeOne(100);
    JournalBytes("unfinished line", openLine_);
}

bool VirtualDevice::FaultActive(FaultKind kind) {
    const bool active =
        faultArmed_ && options_.fault.kind == kind && options_.fault.AppliesTo(currentCommand_);
    faultFired_ = faultFired_ || active;
    return active;
}

void VirtualDevice::TakeLineByte(uint8_t byte) {
    openLine_.push_back(static_cast<char>(byte));
    // A scoped echo fault starts once its word has arrived.
    currentCommand_ = openLine_;
    if (!FaultActive(FaultKind::NoEcho)) {
        uint8_t echo = byte;
        if (FaultActive(FaultKind::WrongEcho)) echo = static_cast<uint8_t>(byte ^ 0x20);
        wire_.Send(&echo, 1);
    }
}

bool VirtualDevice::ReadCommandLine(std::string& line, int waitMs) {
    line.clear();
    const bool lenient = options_.lineModel == LineModel::Lenient;
    uint8_t byte = 0;
    if (lenient) {
        // Control bytes between commands are the tail of an abandoned transfer (ACK, NAK, CAN):
        // they start no command and get no echo.
        std::string dropped;
        for (;;) {
            if (!wire_.ReadByte(byte, waitMs)) {
                JournalBytes("dropped", dropped);
                return false;
            }
            if (byte >= 0x20 || byte == '\n') break;
            dropped.push_back(static_cast<char>(byte));
        }
        JournalBytes("dropped", dropped);
    } else if (!wire_.ReadByte(byte, waitMs)) {
        return false;  // an open line stays open for whatever comes next
    }
    for (;;) {
        TakeLineByte(byte);
        if (byte == '\n') {
            line.swap(openLine_);
            openLine_.clear();
            return true;
        }
        if (openLine_.size() > kMaxCommandLine) {
            JournalBytes("dropped overlong line", openLine_);
            openLine_.clear();
        }
        if (!lenient) {
            if (!wire_.ReadByte(byte, waitMs)) return false;
        } else if (!wire_.ReadByte(byte, kPartialLineTimeoutMs)) {
            // A host sends a line without pauses; one that stopped mid-line has given up on it.
            JournalBytes("dropped partial line", openLine_);
            openLine_.clear();
            return false;
        }
    }
}

bool VirtualDevice::ServeOne(int waitMs) {
    // A fault that acted on a line still open goes on acting on the rest of it, as long as
    // the host keeps sending; a host that fell quiet has given that line up.
    if (openLine_.empty()) faultFired_ = false;
    std::string line;
    const bool served = ReadCommandLine(line, waitMs) && (Serve(line), true);
    if (faultFired_ && options_.fault.once && (openLine_.empty() || !served)) faultArmed_ = false;
    return served;
}

void VirtualDevice::Journal(const std::string& entry) {
    if (options_.journalPath.empty()) return;
    // Opened per entry, so that a test reads every entry so far.
    std::ofstream journal(options_.journalPath, std::ios::app | std::ios::binary);
    journal << entry;
}

void VirtualDevice::JournalBytes(const char* label, const std::string& bytes) {
    if (bytes.empty()) return;
    std::string entry = std::string("[") + label;
    for (const char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(c));
        entry += hex;
    }
    Journal(entry + "]\n");
}

void VirtualDevice::Serve(const std::string& line) {
    currentCommand_ = line;
    Journal(line);  // with its line feed
    if (FaultActive(FaultKind::SilenceAfter))
        wire_.GoSilentAfter(static_cast<std::size_t>(options_.fault.Number(0)));
    if (FaultActive(FaultKind::LongLine)) Reply(std::string(3000, 'x') + "\n");
    Execute(line);
    wire_.Speak();
}

void VirtualDevice::Reply(const std::string& text) { pendingReply_ += text; }

void VirtualDevice::FlushReply() {
    wire_.Send(pendingReply_);
    pendingReply_.clear();
}

bool VirtualDevice::StatusLine(const std::string& word, int status) {
    const std::string text =
        FaultActive(FaultKind::Status) ? options_.fault.arg : std::to_string(status);
    Reply(word + " " + text + "\n");
    return MeansStatus(text, status);
}

bool VirtualDevice::AnnounceBatch(const std::string& word) {
    // With a chosen status the device means what it says: no batch unless it reads as 1.
    if (!StatusLine(word, 1)) {
        Prompt();
        return false;
    }
    FlushReply();
    return true;
}

// The reply goes out in one write with its prompt, as a device's buffered UART would send it,
// so that a host which stops reading early does not find the rest arriving later.
void VirtualDevice::Prompt() {
    Reply("> ");
    FlushReply();
}

void VirtualDevice::Execute(const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    const std::string command = words.empty() ? std::string() : words[0];
    const std::string argument = words.size() > 1 ? words[1] : std::string();

    if (ServeTransfer(command, argument)) return;
    if (EqualsNoCase(command, "Echo")) {
        Reply(line.substr(std::min(line.size(), line.find_first_not_of(' ', 4))));
    } else if (EqualsNoCase(command, "Hello")) {
        Reply("Hello KVD-2730\n");
    } else if (EqualsNoCase(command, "Help")) {
        Reply("Echo Hello Help GetMode SetMode GetGpsDataVersion GetFwDataVersion\n");
        Reply("GetLogList GetLog DeleteLog GetRecordList GetRecord DeleteRecord\n");
        Reply("UpdateGpsDataX UpdateVoiceData WriteFwData ProgramFlashRom ReadFlashRom\n");
    } else if (EqualsNoCase(command, "GetMode")) {
        Reply("GetMode 0 " + std::to_string(mode_) + "\n");
    } else if (EqualsNoCase(command, "SetMode")) {
        SetMode(argument);
    } else if (EqualsNoCase(command, "GetGpsDataVersion")) {
        Reply("GpsDataVersion 2026.11.01\n");
    } else if (EqualsNoCase(command, "GetFwDataVersion")) {
        Reply("FwDataVersion 1.20\n");
    } else if (EqualsNoCase(command, "GetLogList")) {
        ListReply("GetLogList", storage_.logs);
    } else if (EqualsNoCase(command, "GetRecordList")) {
        ListReply("GetRecordList", storage_.records);
    } else if (EqualsNoCase(command, "DeleteLog")) {
        DeleteLog(argument);
    } else {
        Reply("Unknown command\n");
    }
    Prompt();
}

YmodemDeviceSide VirtualDevice::TransferSide() {
    return YmodemDeviceSide{
        wire_, options_.fault, [this](FaultKind kind) { return FaultActive(kind); },
        options_.dataBlockSize, [this](const std::string& entry) { Journal("[" + entry + "]\n"); }};
}

bool VirtualDevice::ServeTransfer(const std::string& command, const std::string& argument) {
    if (EqualsNoCase(command, "GetLog")) {
        SendSlot("GetLog", storage_.logs, argument);
    } else if (EqualsNoCase(command, "GetRecord")) {
        SendSlot("GetRecord", storage_.records, argument);
    } else if (EqualsNoCase(command, "ReadFlashRom")) {
        const StoredFile image = flashImage_.value_or(BuiltInFlashImage());
        const std::string info = image.name + " " + std::to_string(image.bytes.size()) + "\n";
        const StoredFile files[] = {image, {"flash.txt", {info.begin(), info.end()}}};
        SendFiles("ReadFlashRom", files);
    } else if (EqualsNoCase(command, "UpdateGpsDataX") ||
               EqualsNoCase(command, "UpdateVoiceData") || EqualsNoCase(command, "WriteFwData") ||
               EqualsNoCase(command, "ProgramFlashRom")) {
        ReceiveFiles(command);
    } else {
        return false;
    }
    return true;
}

void VirtualDevice::SendSlot(const std::string& word, std::span<const Slot> slots,
                             const std::string& argument) {
    const int slot = SlotIndex(argument, static_cast<int>(slots.size()));
    if (slot < 0 || !slots[static_cast<std::size_t>(slot)]) {
        StatusLine(word, 2);
        Prompt();
        return;
    }
    SendFiles(word, std::span(&*slots[static_cast<std::size_t>(slot)], 1));
}

void VirtualDevice::SendFiles(const std::string& word, std::span<const StoredFile> files) {
    if (!AnnounceBatch(word)) return;
    if (!SendBatch(TransferSide(), files)) return AbandonReply();
    StatusLine(word, 0);
    Prompt();
}

void VirtualDevice::ReceiveFiles(const std::string& word) {
    if (!AnnounceBatch(word)) return;
    std::vector<StoredFile> files;
    if (!ReceiveBatch(TransferSide(), files)) return AbandonReply();
    KeepUploads(word, files);
    Prompt();
}

void VirtualDevice::KeepUploads(const std::string& word, std::vector<StoredFile>& files) {
    bool kept = true;
    for (StoredFile& file : files) {
        std::string error;
        if (!options_.storeDir.empty() &&
            !WriteFileAtomically(std::filesystem::path(options_.storeDir) / file.name, file.bytes,
                                 error)) {
            kept = false;
        }
        if (EqualsNoCase(word, "WriteFwData") || EqualsNoCase(word, "ProgramFlashRom"))
            flashImage_ = std::move(file);
    }
    StatusLine(word, kept ? 0 : 2);
}

// The host has given up on the batch (or never took it): back to reading commands. Input is
// not flushed here, since the host's next command may already be on its way; what is left of
// the transfer reaches the line reader, which drops it only in the lenient model.
void VirtualDevice::AbandonReply() { pendingReply_.clear(); }

void VirtualDevice::SetMode(const std::string& argument) {
    const int mode = SlotIndex(argument, 3);
    if (mode >= 0) mode_ = mode;
    StatusLine("SetMode", mode >= 0 ? 0 : 2);
}

void VirtualDevice::ListReply(const std::string& word, std::span<const Slot> slots) {
    if (FaultActive(FaultKind::Status)) {
        StatusLine(word, 0);
        return;
    }
    Reply(FormatListReply(word, slots));
}

void VirtualDevice::DeleteLog(const std::string& argument) {
    const int slot = SlotIndex(argument, DeviceStorage::kLogSlots);
    if (slot < 0 || !storage_.logs[static_cast<std::size_t>(slot)]) {
        StatusLine("DeleteLog", 2);
        return;
    }
    storage_.logs[static_cast<std::size_t>(slot)].reset();
    StatusLine("DeleteLog", 0);
}

}  // namespace kvd::sim
