#include "cli/files/FileSizeLimit.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gLimitReached = 0;

extern "C" void NoteLimitReached(int) { gLimitReached = 1; }

}  // namespace

void HandleFileSizeLimitSignal() {
    // A write that passes the process's file-size limit, whoever set it,
    // fails (EFBIG) and is reported, instead of ending the process.
    struct sigaction action {};
    action.sa_handler = NoteLimitReached;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGXFSZ, &action, nullptr);
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
    HandleFileSizeLimitSignal();
    gLimitReached = 0;
    if (bytes == 0 || ::getrlimit(RLIMIT_FSIZE, &saved_) != 0) return;
    if (saved_.rlim_cur != RLIM_INFINITY && saved_.rlim_cur <= bytes) return;
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    if (active_) ::setrlimit(RLIMIT_FSIZE, &saved_);
}

bool FileSizeLimit::Reached() const { return active_ && gLimitReached != 0; }
