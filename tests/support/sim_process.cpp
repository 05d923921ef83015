#include "support/sim_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kvd::test {

std::string SimulatorBinary() {
    const char* path = std::getenv("KVD2730_SIM");
    return path && *path ? path : KVD2730_SIM_BUILT;
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
    const std::string binary = SimulatorBinary();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        std::vector<char*> argv{const_cast<char*>(binary.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(binary.c_str(), argv.data());
        std::_Exit(127);
    }
    ::close(out[1]);
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') port_.push_back(c);
    ::close(out[0]);
    if (port_.empty()) {
        Stop();
        throw std::runtime_error("kvd2730-sim did not print its port");
    }
}

int SimProcess::Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

SimProcess::~SimProcess() { Stop(); }

}  // namespace kvd::test
