// Text files as the host offers them to plug-ins for writing: 8-bit text,
// written through one buffer.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace TextFile {

class Writer {
public:
    Writer() = default;
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Creates the file at `path`, or empties it when it exists. False when it
    // cannot be created (a missing folder, a folder in its place, no
    // permission); an open writer is closed first.
    bool Open(const std::wstring& path);

    // Appends bytes exactly as given. Output is buffered; a write error is
    // remembered and reported by Failed and Close.
    void Write(std::string_view bytes) {
        if (bytes.size() <= buffer_.capacity() - buffer_.size()) {
            buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        } else {
            WriteThrough(bytes);
        }
    }

    // True once writing has failed (a full disk, say).
    bool Failed() const { return failed_; }
    bool IsOpen() const { return file_ != nullptr; }
    // Writes what is buffered and closes the file; true when every byte
    // reached the file and it closed cleanly.
    bool Close();
    // Closes the file last opened (if still open) and removes it when it is
    // a plain file: for a file that could not be written whole, so nothing
    // half-written stays.
    void Discard();

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void Flush();
    void WriteThrough(std::string_view bytes);

    std::FILE* file_ = nullptr;
    std::string path_;
    bool regularFile_ = false;
    std::vector<char> buffer_;
    bool failed_ = false;
};

}  // namespace TextFile
