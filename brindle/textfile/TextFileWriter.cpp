#include "brindle/sdk/TextFileWriter.h"

#include "brindle/sdk/TextCodec.h"

#include <sys/stat.h>

namespace TextFile {

Writer::~Writer() { Close(); }

bool Writer::Open(const std::wstring& path) {
    Close();
    path_.clear();
    const std::string nativePath = TextCodec::WideToPath(path);
    // A NUL would cut the path short and create some other file.
    if (nativePath.empty() || nativePath.find('\0') != std::string::npos) return false;
    file_ = std::fopen(nativePath.c_str(), "wb");
    if (file_ == nullptr) return false;
    // The writer does its own buffering.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = nativePath;
    struct stat status {};
    regularFile_ = ::fstat(::fileno(file_), &status) == 0 && S_ISREG(status.st_mode);
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    failed_ = false;
    return true;
}

void Writer::Flush() {
    if (file_ == nullptr) failed_ = true;
    if (!buffer_.empty() && !failed_) {
        failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size();
    }
    buffer_.clear();
}

void Writer::WriteThrough(std::string_view bytes) {
    Flush();
    if (bytes.size() < kBufferBytes) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    } else if (!failed_) {
        failed_ = std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
    }
}

bool Writer::Close() {
    if (file_ == nullptr) return !failed_;
    Flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

void Writer::Discard() {
    buffer_.clear();
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    // A device or a pipe written to stays where it is.
    if (!path_.empty() && regularFile_) std::remove(path_.c_str());
    path_.clear();
}

}  // namespace TextFile
