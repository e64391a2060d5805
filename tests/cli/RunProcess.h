// Runs the built tovfileio as a process of its own, for what only a real
// process shows: signals, file-size limits, other processes at once.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
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
    std::string input;                 // standard input
    int inputFd = -1;                  // else standard input is this descriptor (a pipe)
    std::vector<std::string> env;      // NAME=VALUE set for the process
    long fileSizeLimit = -1;           // RLIMIT_FSIZE in bytes; -1: as inherited
};

// Starts tovfileio with `args`; standard output and error go to files in
// `scratch`. Returns the child's process number.
inline pid_t StartProcess(const std::vector<std::string>& args, const ScratchDir& scratch,
                          const ProcessOptions& options = {}) {
    const std::string in = scratch.Write(".process-in", options.input).string();
    const std::string out = (scratch.Path() / ".process-out").string();
    const std::string err = (scratch.Path() / ".process-err").string();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::dup2(options.inputFd >= 0 ? options.inputFd : ::open(in.c_str(), O_RDONLY), 0);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    for (const std::string& assignment : options.env) ::putenv(const_cast<char*>(assignment.c_str()));
    if (options.fileSizeLimit >= 0) {
        const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                           static_cast<rlim_t>(options.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
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

inline ProcessResult RunProcess(const std::vector<std::string>& args, const ScratchDir& scratch,
                                const ProcessOptions& options = {}) {
    return WaitProcess(StartProcess(args, scratch, options), scratch);
}

}  // namespace tovtest
