// Runs the built tovfileio as a process of its own, for what only a real
// process shows: signals, file-size limits, other processes at once.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestFiles.h"

namespace tovtest {

struct ProcessResult {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

struct ProcessOptions {
    int inputFd = -1;                  // standard input is this descriptor, else an empty file
    int outputFd = -1;                 // standard output to this descriptor, not a file
    std::vector<std::string> env;      // NAME=VALUE set for the process
    long fileSizeLimit = -1;           // RLIMIT_FSIZE in bytes; -1: as inherited
    // RLIMIT_AS in bytes; -1: as inherited. Not set under AddressSanitizer,
    // whose shadow memory takes terabytes of address space.
    long memoryLimit = -1;
    long cpuSeconds = -1;              // RLIMIT_CPU: a runaway ends by SIGXCPU
};

// Options for a child that keeps the host's settings in `settings`, and its
// temporary files in `tmp` when one is given. (The module it loads is the
// one the test program names in its own environment.)
inline ProcessOptions KeepingSettingsIn(const std::filesystem::path& settings,
                                        const std::filesystem::path& tmp = {}) {
    ProcessOptions options;
    options.env = {"BRINDLE_REGISTRY_FILE=" + settings.string()};
    if (!tmp.empty()) options.env.push_back("TMPDIR=" + tmp.string());
    return options;
}

inline void SetLimit(int resource, long value) {
    if (value < 0) return;
    const rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
    ::setrlimit(resource, &limit);
}

// Starts tovfileio with `args`; standard output and error go to files in
// `scratch`. Returns the child's process number.
inline pid_t StartProcess(const std::vector<std::string>& args, const ScratchDir& scratch,
                          const ProcessOptions& options = {}) {
    const std::string in = scratch.Write(".process-in", "").string();
    const std::string out = (scratch.Path() / ".process-out").string();
    const std::string err = (scratch.Path() / ".process-err").string();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::dup2(options.inputFd >= 0 ? options.inputFd : ::open(in.c_str(), O_RDONLY), 0);
    ::dup2(options.outputFd >= 0 ? options.outputFd
                                 : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
           1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    for (const std::string& assignment : options.env) ::putenv(const_cast<char*>(assignment.c_str()));
    SetLimit(RLIMIT_FSIZE, options.fileSizeLimit);
    SetLimit(RLIMIT_CPU, options.cpuSeconds);
#ifndef __SANITIZE_ADDRESS__
    SetLimit(RLIMIT_AS, options.memoryLimit);
#endif
    std::vector<char*> argv{const_cast<char*>(TOVFILEIO_PATH)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(TOVFILEIO_PATH, argv.data());
    ::_exit(127);
}

// Waits for the process `pid` started in `scratch` and collects its output.
inline ProcessResult WaitProcess(pid_t pid, const ScratchDir& scratch) {
    ProcessResult result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = ReadBytes(scratch.Path() / ".process-out");
    result.err = ReadBytes(scratch.Path() / ".process-err");
    return result;
}

// WaitProcess for at most `limit`: a child still running then is killed
// (its status 128 + SIGKILL), so that a run that hangs fails its test
// rather than holding up the suite.
inline ProcessResult WaitProcessWithin(pid_t pid, const ScratchDir& scratch,
                                       std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (pid > 0 && std::chrono::steady_clock::now() < end) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid == pid) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (pid > 0 && std::chrono::steady_clock::now() >= end) ::kill(pid, SIGKILL);
    return WaitProcess(pid, scratch);
}

inline ProcessResult RunProcess(const std::vector<std::string>& args, const ScratchDir& scratch,
                                const ProcessOptions& options = {}) {
    return WaitProcess(StartProcess(args, scratch, options), scratch);
}

// Waits until `done` holds, looking every 5 ms for a minute at most. For a
// state the child reaches and then keeps, never for time to pass.
template <class Condition>
bool WaitUntil(Condition done) {
    for (int i = 0; i < 12000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A FIFO that holds a child at a known point: the child, opening it to
// read, waits for the test, which lets it go on when it wants to.
class HeldInput {
public:
    explicit HeldInput(std::filesystem::path path) : path_(std::move(path)) {
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
    }
    ~HeldInput() { Release(""); }
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // True once the child has the FIFO open to read: it is held there, in
    // its open or its first read, until Release.
    bool Reached() {
        const bool reached = made_ && WaitUntil([this] {
            fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            return fd_ >= 0;
        });
        if (reached) ::fcntl(fd_, F_SETFL, 0);
        return reached;
    }
    // Writes `bytes` for the child to read, without an end yet.
    bool Feed(const std::string& bytes) {
        return fd_ >= 0 && ::write(fd_, bytes.data(), bytes.size()) ==
                               static_cast<ssize_t>(bytes.size());
    }
    // Writes `bytes` and ends the input.
    void Release(const std::string& bytes) {
        if (fd_ < 0) return;
        Feed(bytes);
        ::close(fd_);
        fd_ = -1;
    }

private:
    std::filesystem::path path_;
    bool made_ = false;
    int fd_ = -1;
};

}  // namespace tovtest
