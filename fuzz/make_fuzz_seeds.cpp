// Writes a small seed corpus for each fuzz target into DIR/<target>/.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/utf8.h"
#include "devicelink/ymodem_block.h"
#include "gpslog/time_zone.h"
#include "transfer/transfer.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Bytes(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The selector byte of fuzz_device_replies for a row of its command list.
std::string Reply(int row, const std::string& deviceBytes) {
    return std::string(1, static_cast<char>(row)) + deviceBytes;
}

// Block 0 or a data block as the device frames it.
std::string Block(uint8_t number, const std::string& payload, bool header) {
    std::vector<uint8_t> block(kvd::kLongBlockLength, 0);
    if (header) {
        const auto nul = payload.find('\0');
        kvd::FrameHeaderBlock(block.data(), kvd::kStx, payload.substr(0, nul),
                              payload.substr(nul + 1));
    } else {
        std::copy(payload.begin(), payload.end(), block.begin() + kvd::kBlockHead);
        std::fill(block.begin() + kvd::kBlockHead + static_cast<std::ptrdiff_t>(payload.size()),
                  block.begin() + kvd::kBlockHead + kvd::kLongBlockData, kvd::kSub);
        kvd::FrameBlock(block.data(), kvd::kStx, number);
    }
    return {block.begin(), block.end()};
}

// A whole GetLog reply carrying `file` under `name`, in the device's dialect.
std::string DownloadReply(const std::string& name, const std::string& file) {
    std::string wire = "GetLog 1\n";
    wire += Block(0, name + '\0' + std::to_string(file.size()) + " 15000000000 100644 ", true);
    for (std::size_t offset = 0, k = 1; offset < file.size(); offset += 1024, ++k)
        wire += Block(static_cast<uint8_t>(k), file.substr(offset, 1024), false);
    wire += "\x04\x04";                            // EOT, and EOT again after the host's NAK
    wire += Block(0, std::string(1, '\0'), true);  // the empty block 0 ends the batch
    return wire + "GetLog 0\n> ";
}

std::string Utf16Le(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : kvd::Utf8ToUtf16(utf8)) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// A record of saved logs as the saver writes it: one log in KML alone (the first layout),
// and after another log with GPX and its files, the second.
std::vector<std::string> SavedLogRecords(const fs::path& scratch) {
    std::vector<std::string> records;
    std::string error;
    const auto bytes = [](std::string_view text) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    };
    fs::create_directories(scratch);
    std::string damage;
    kvd::SavedLogRecord record = kvd::SavedLogRecord::Load(scratch, damage);
    record.Add("08231721.LOG", bytes("first trip"), error);
    records.push_back(ReadAll(scratch / kvd::kSavedLogsFileName));
    record.Add("my log 2.LOG", bytes("second trip"), error, {true, true},
               {{"my log 2.LOG.kml", 0x1234}, {"my log 2 (2).LOG.gpx", 0xabcdef}});
    records.push_back(ReadAll(scratch / kvd::kSavedLogsFileName));
    fs::remove_all(scratch);
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];

    const fs::path words = root / "fuzz_command_words";
    Write(words, "echo", "Echo KVD-2730\n");
    Write(words, "getlog", "GETLOG 3\n");
    Write(words, "gps", "UpdateGpsDataX\n");
    Write(words, "spaces", " a  b\n\nc ");

    const fs::path list = root / "fuzz_list_reply";
    Write(list, "logs", "GetLogList 0 \"0601.LOG\",1616 0 \"my log, 2.LOG\",32 0 0 0 0 0 0 0 \n");
    Write(list, "unquoted", "GetLogList 0 a.LOG,5 0,7 b.LOG,9\n");
    Write(list, "entry", "\"a,b\",12 ");

    const fs::path log = root / "fuzz_gps_log";
    Write(log, "trip", Bytes(kvd::MakeSyntheticTrip(1, 40, 1)));
    Write(log, "interval5", Bytes(kvd::MakeSyntheticTrip(2, 12, 5)));
    Write(log, "header", Bytes(kvd::MakeSyntheticTrip(3, 0, 0)));

    const fs::path replies = root / "fuzz_device_replies";
    Write(replies, "echo", Reply(1, "KVD-2730\n> "));
    Write(replies, "setmode", Reply(4, "SetMode 0\n> "));
    Write(replies, "list", Reply(7, "GetLogList 0 \"0601.LOG\",1616 0 0 0 0 0 0 0 0 0 \n> "));
    Write(replies, "refused", Reply(16, "DeleteLog 2\n> "));
    Write(replies, "unknown", Reply(21, "Unknown command\n> "));
    Write(replies, "updatefw", Reply(19, "working\n> "));
    const fs::path receive = root / "fuzz_ymodem_receive";
    const std::vector<uint8_t> trip = kvd::MakeSyntheticTrip(4, 200, 1);
    Write(receive, "log", std::string(1, '\0') + DownloadReply("0601.LOG", Bytes(trip)));
    Write(receive, "small", std::string(1, '\1') + DownloadReply("A.LOG", std::string(1500, 'a')));
    Write(receive, "refused", std::string(1, '\0') + "GetLog 2\n> ");

    // The device's answers to an upload of a 2500-byte file: C for block 0, an ACK or C for
    // block 0 and each of the three data blocks, NAK and ACK for the two EOTs, C and ACK for
    // the closing block 0.
    const fs::path send = root / "fuzz_ymodem_send";
    const std::string ending =
        "\x15\x06"
        "C\x06"
        "UpdateGpsDataX 0\n> ";
    Write(send, "upload", "UpdateGpsDataX 1\nC\x06\x06\x06\x06" + ending);
    Write(send, "c-for-ack", "UpdateGpsDataX 1\nCCCCC" + ending);
    Write(send, "nak", "UpdateGpsDataX 1\nC\x06\x15\x06\x06\x06" + ending);

    // The settings codec: the value to set on the first line, then the file.
    const fs::path settings = root / "fuzz_settings_text";
    const std::string shared =
        "; kept\r\n[Other]\r\nGPS=not ours\r\nname=Caf\u00e9\r\n\r\n[KVD2730]\r\nWindow=3\r\n"
        "GPS=C:\\old\r\nGPSX=\"/x \"\r\n\r\n[Last]\r\nx=1";
    Write(settings, "utf16", "/home/\u3086\u304d/\u30ed\u30b0\n" + Utf16Le(shared));
    Write(settings, "utf8-bom", " /blanks at the ends \n\xEF\xBB\xBF" + shared);
    Write(settings, "codepage", "C:\\Caf\u00e9\n[Other]\nname=Caf\xE9\n[KVD2730]\nGPS=x\n");
    Write(settings, "quotes", "\"/quoted\"\n[kvd2730]\n  gps = 'old'  \n[Last]\nx=2\n");
    Write(settings, "empty", "\n");

    // The record of saved logs: the first byte 0 takes the file as it is, others add its end line.
    const fs::path saved = root / "fuzz_saved_logs";
    const std::vector<std::string> records = SavedLogRecords(root / "scratch-saved-logs");
    for (std::size_t k = 0; k < records.size(); ++k) {
        const std::string& record = records[k];
        Write(saved, "record" + std::to_string(k + 1), std::string(1, '\0') + record);
        Write(saved, "lines" + std::to_string(k + 1),
              "\1" + record.substr(0, record.rfind("end ")));
    }

    // Zoneinfo files of this system: a zone without changes, northern and southern daylight
    // saving, half-hour steps.
    if (const std::optional<std::string> zoneinfo = kvd::ZoneInfoFolder()) {
        const fs::path zones = root / "fuzz_zone_info";
        for (const char* name :
             {"UTC", "Europe/Berlin", "America/Sao_Paulo", "Australia/Lord_Howe"}) {
            const std::string bytes = ReadAll(fs::path(*zoneinfo) / name);
            if (!bytes.empty()) Write(zones, fs::path(name).filename().string(), bytes);
        }
    }
    return 0;
}
