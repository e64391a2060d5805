#include "cli/commands/BatchWorkers.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A worker's message to the batch: its status as one digit, its report line
// (JSON, which holds no raw line end), then what it said.
std::string WorkerMessage(const BatchFileReport& report, const std::string& said) {
    return std::string(1, static_cast<char>('0' + static_cast<int>(report.status))) +
           BatchReportLine(report) + said;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The forked process: converts, sends what it did, and ends without running
// the batch's own clean-up (its files and folders are the batch's).
[[noreturn]] void RunWorker(pid_t batch, int fd, const BatchWorkers::Work& work) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != batch) ::_exit(1);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, SIG_IGN);
    char* said = nullptr;
    std::size_t saidBytes = 0;
    CommandIO io;
    io.err = ::open_memstream(&said, &saidBytes);
    if (io.err == nullptr) ::_exit(1);
    const BatchFileReport report = work(io);
    std::fflush(stdout);
    std::fclose(io.err);
    const bool sent = WriteAll(fd, WorkerMessage(report, std::string(said, saidBytes)));
    ::_exit(sent ? 0 : 1);
}

std::string Unstarted(int error) {
    return "could not be started (" + std::string(std::strerror(error)) + ")";
}

}  // namespace

BatchWorkers::~BatchWorkers() {
    while (!running_.empty()) WaitOne();
}

void BatchWorkers::Start(std::size_t index, const Work& work, const BatchFileReport& unfinished) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        ended_.push_back(Unfinished(index, unfinished, Unstarted(errno)));
        return;
    }
    // What the batch wrote must not be written again by the worker.
    std::fflush(nullptr);
    const pid_t batch = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        RunWorker(batch, fds[1], work);
    }
    const int error = errno;
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        ended_.push_back(Unfinished(index, unfinished, Unstarted(error)));
        return;
    }
    running_.push_back({index, pid, fds[0], std::string(), unfinished});
}

BatchWorkers::Done BatchWorkers::WaitOne() {
    if (!ended_.empty()) {
        Done done = std::move(ended_.front());
        ended_.erase(ended_.begin());
        return done;
    }
    for (;;) {
        std::vector<pollfd> fds;
        for (const Running& worker : running_) fds.push_back({worker.fd, POLLIN, 0});
        // A signal (Ctrl-C taken as a cancel) only wakes the wait.
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            char buffer[1 << 16];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                running_[i].received.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            Done done = Finish(running_[i]);
            running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
            return done;
        }
    }
}

BatchWorkers::Done BatchWorkers::Finish(Running& worker) {
    ::close(worker.fd);
    int status = 0;
    while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::size_t lineEnd = worker.received.find('\n');
    const bool whole = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                       lineEnd != std::string::npos && worker.received[0] >= '0' &&
                       worker.received[0] <= '3';
    if (!whole) {
        const std::string why = WIFSIGNALED(status)
                                    ? "ended by signal " + std::to_string(WTERMSIG(status))
                                    : "ended without a report";
        Done done = Unfinished(worker.index, worker.unfinished, why);
        // What it said before it ended is still worth showing.
        if (lineEnd != std::string::npos) done.messages = worker.received.substr(lineEnd + 1) + done.messages;
        return done;
    }
    Done done;
    done.index = worker.index;
    done.status = static_cast<BatchStatus>(worker.received[0] - '0');
    done.reportLine = worker.received.substr(1, lineEnd);
    done.messages = worker.received.substr(lineEnd + 1);
    return done;
}

BatchWorkers::Done BatchWorkers::Unfinished(std::size_t index, BatchFileReport report,
                                            const std::string& why) {
    report.status = BatchStatus::kFailed;
    Done done;
    done.index = index;
    done.status = report.status;
    done.reportLine = BatchReportLine(report);
    done.messages = report.source + ": the conversion " + why + "\n";
    return done;
}
