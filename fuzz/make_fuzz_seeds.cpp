// Writes a small seed corpus for each fuzz target into DIR/<target>/.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gpslog/log_format.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Bytes(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The selector byte of fuzz_device_replies for a row of its command list.
std::string Reply(int row, const std::string& deviceBytes) {
    return std::string(1, static_cast<char>(row)) + deviceBytes;
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
    return 0;
}
