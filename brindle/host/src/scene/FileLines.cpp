#include "scene/FileLines.h"

#include <cerrno>

#include <unistd.h>

namespace brindle::host {

void FileLines::Fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    ssize_t got = 0;
    do {
        got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        error_ = errno;
    } else if (got == 0) {
        eof_ = true;
    } else {
        end_ += static_cast<std::size_t>(got);
        bytes_ += static_cast<std::uint64_t>(got);
    }
}

}  // namespace brindle::host
