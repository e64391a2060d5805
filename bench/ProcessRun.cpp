#include "bench/ProcessRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovbench {

int RunProcess(const std::string& program, const std::vector<std::string>& args,
               std::uint64_t& peakBytes) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return -1;
    peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tovbench
