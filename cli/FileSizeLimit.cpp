#include "cli/FileSizeLimit.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gLimitReached = 0;

extern "C" void NoteLimitReached(int) { gLimitReached = 1; }

}  // namespace

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
    gLimitReached = 0;
    if (bytes == 0 || ::getrlimit(RLIMIT_FSIZE, &saved_) != 0) return;
    if (saved_.rlim_cur != RLIM_INFINITY && saved_.rlim_cur <= bytes) return;
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    // A write that would pass the limit fails (EFBIG) once the handler has
    // noted it, instead of ending the process.
    previousHandler_ = std::signal(SIGXFSZ, NoteLimitReached);
    active_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    if (!active_) std::signal(SIGXFSZ, previousHandler_);
}

FileSizeLimit::~FileSizeLimit() {
    if (!active_) return;
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
}

bool FileSizeLimit::Reached() const { return active_ && gLimitReached != 0; }
