// A dialog driver of the command line whose messages ("TITLE: TEXT" lines)
// are kept in memory, for tests that set a dialog's controls to wanted
// states. Test programs that use it link the command line's library.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/run/DialogFlags.h"

namespace tovtest {

class CapturingDriver {
public:
    CapturingDriver() : stream_(open_memstream(&data_, &size_)), driver_(io_, "test") {
        io_.out = stream_;
        io_.err = stream_;
    }
    ~CapturingDriver() {
        std::fclose(stream_);
        std::free(data_);
    }
    DialogFlagDriver& Driver() { return driver_; }
    std::string Messages() {
        std::fflush(stream_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
    CommandIO io_;
    DialogFlagDriver driver_;
};

}  // namespace tovtest
