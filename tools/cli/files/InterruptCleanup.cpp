#include "cli/files/InterruptCleanup.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <pthread.h>

#include <dirent.h>
#include <unistd.h>

#include "brindle/sdk/TextFileWriter.h"
#include "tovfileio/text/TextWriter.h"

namespace {

// Fixed storage, so the handler touches no heap and calls only
// async-signal-safe functions.
constexpr int kSlots = 8;
constexpr std::size_t kPathBytes = 4096;

struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 file, 3 folder
    char path[kPathBytes];
};

Slot gSlots[kSlots];

// The cancel mode of InterruptAsCancel.
std::atomic<const char*> gCancelNotice{nullptr};
volatile std::sig_atomic_t gCancelRequested = 0;

extern "C" void RemoveAndReraise(int signalNumber) {
    if (const char* notice = gCancelNotice.load()) {
        if (gCancelRequested == 0) {
            const ssize_t ignored = ::write(STDERR_FILENO, notice, std::strlen(notice));
            (void)ignored;
        }
        gCancelRequested = 1;
        return;
    }
    // Files first, then the folders that held them; a folder inside
    // another goes before it, whatever their slots.
    for (Slot& slot : gSlots) {
        if (slot.state.load() == 2) ::unlink(slot.path);
    }
    for (int round = 0; round < kSlots; ++round) {
        for (Slot& slot : gSlots) {
            if (slot.state.load() == 3) ::rmdir(slot.path);
        }
    }
    std::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

void InstallInterruptCleanup() {
    // A closed pipe ends the process as the other signals do, its temporary
    // files removed first.
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndReraise;
        sigemptyset(&action.sa_mask);
        ::sigaction(signalNumber, &action, nullptr);
    }
}

int RegisterForCleanup(const std::string& path, bool folder) {
    if (path.size() >= kPathBytes) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!gSlots[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
        gSlots[i].state.store(folder ? 3 : 2);
        return i;
    }
    return -1;
}

void UnregisterFromCleanup(int slot) {
    if (slot >= 0 && slot < kSlots) gSlots[slot].state.store(0);
}

std::string MakeRegisteredFolder(std::string pattern, int& slot) {
    sigset_t held, saved;
    sigemptyset(&held);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signalNumber);
    ::pthread_sigmask(SIG_BLOCK, &held, &saved);
    const bool made = ::mkdtemp(pattern.data()) != nullptr;
    const int error = errno;
    slot = made ? RegisterForCleanup(pattern, true) : -1;
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    if (!made) {
        errno = error;
        return std::string();
    }
    return pattern;
}

namespace {

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp ? tmp : "/tmp";
}

constexpr char kRunPrefix[] = "tovfileio-";

// The process whose private folder `name` is ("tovfileio-PID-XXXXXX"), or 0.
pid_t RunOf(const std::string& name) {
    if (name.rfind(kRunPrefix, 0) != 0) return 0;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + sizeof kRunPrefix - 1, &end, 10);
    return end != nullptr && *end == '-' && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

std::string TempFolderPattern() {
    return TempFolder() + "/" + kRunPrefix + std::to_string(::getpid()) + "-XXXXXX";
}

void RemoveLeftoversOfEndedRuns() {
    DIR* folder = ::opendir(TempFolder().c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t run = RunOf(entry->d_name);
        if (run == 0 || run == ::getpid() || ::kill(run, 0) == 0 || errno != ESRCH) continue;
        // A run killed before it could clean up: its folder holds only the
        // files it made.
        const std::string path = TempFolder() + "/" + entry->d_name;
        if (DIR* inside = ::opendir(path.c_str())) {
            while (const dirent* file = ::readdir(inside)) {
                if (std::strcmp(file->d_name, ".") != 0 && std::strcmp(file->d_name, "..") != 0) {
                    ::unlink((path + "/" + file->d_name).c_str());
                }
            }
            ::closedir(inside);
        }
        ::rmdir(path.c_str());
    }
    ::closedir(folder);
}

InterruptAsCancel::InterruptAsCancel(const char* notice) {
    gCancelRequested = 0;
    gCancelNotice.store(notice);
    // The writers of the program and of the host's text files, the module's.
    tovfileio::StopWaitingWhen(&Requested);
    TextFile::StopWaitingWhen(&Requested);
}

InterruptAsCancel::~InterruptAsCancel() {
    tovfileio::StopWaitingWhen(nullptr);
    TextFile::StopWaitingWhen(nullptr);
    gCancelNotice.store(nullptr);
}

bool InterruptAsCancel::Requested() {
    return gCancelNotice.load() != nullptr && gCancelRequested != 0;
}
