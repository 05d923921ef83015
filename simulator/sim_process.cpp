#include "simulator/sim_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace kvd::sim {

SimProcess::SimProcess(const std::string& binary, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
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
    for (char c = 0; ::read(out[0], &c, 1) == 1 && c != '\n';) port_.push_back(c);
    ::close(out[0]);
    if (port_.empty()) {
        Stop();
        throw std::runtime_error("kvd2730-sim did not start: " + binary);
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

}  // namespace kvd::sim
