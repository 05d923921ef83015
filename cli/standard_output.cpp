#include "cli/standard_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "common/system_text.h"

namespace kvd::cli {

bool OutputIsStandardOutput(const ParsedOptions& options) {
    return options.Value("output") == std::optional<std::string>("-");
}

std::string CheckStandardOutputRun(std::size_t logs, const OutputFormats& formats) {
    if (logs != 1) return "-o - takes exactly one log";
    if (formats.kml && formats.gpx) return "-o - takes one format: kml or gpx";
    return {};
}

void PrepareStandardOutput() {
#ifdef _WIN32
    // A line feed must not become CR LF on its way out.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

ScratchFolder::~ScratchFolder() {
    std::error_code code;
    if (!path_.empty()) std::filesystem::remove_all(path_, code);
}

bool ScratchFolder::Make(std::string& error) {
    std::error_code code;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(code);
    if (code) {
        error = "no temporary folder: " + code.message();
        return false;
    }
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            temp / ("kvd2730-cli-" + std::to_string(random() % 1000000000000ull));
        if (std::filesystem::create_directory(candidate, code)) {
            path_ = candidate;
            return true;
        }
        if (code) {
            error = "cannot make a temporary folder in " + temp.string() + ": " + code.message();
            return false;
        }
    }
    error = "no free name for a temporary folder in " + temp.string();
    return false;
}

bool CopyToStandardOutput(const std::filesystem::path& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read the converted log back";
        return false;
    }
    std::vector<char> chunk(1 << 16);
    errno = 0;
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got != 0 && std::fwrite(chunk.data(), 1, got, stdout) != got) break;
    }
    const bool readWhole = in.eof() && !in.bad();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int cause = errno;
        error = "cannot write to standard output";
        if (cause != 0) error += ": " + ErrnoText(cause);
        // Said here with its cause; the check at exit need not say it again.
        std::clearerr(stdout);
        return false;
    }
    if (!readWhole) {
        error = "cannot read the converted log back";
        return false;
    }
    return true;
}

}  // namespace kvd::cli
