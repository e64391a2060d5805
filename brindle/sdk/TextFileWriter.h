// Text files as the host offers them to plug-ins for writing: 8-bit text,
// written through one buffer. A plain file is replaced whole or not at all:
// the text goes to a temporary file beside it, which takes the file's name
// only when every byte was written; until then, and after a failure or a
// Discard, the old file stays exactly as it was.
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

    // Starts the file at `path`, which Close makes the new content of
    // `path`. A link is written through to the file it names, which keeps its
    // permissions; a device or a FIFO is written to as it is. False when the
    // file cannot be made (a missing folder, a folder in its place, no
    // permission, a file that may not be written); an open writer is closed
    // first.
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
    bool IsOpen() const { return fd_ >= 0; }
    // Writes what is buffered and puts the file in place; true when every
    // byte reached the file and it took its name.
    bool Close();
    // Drops what was written since Open: the old file stays as it was. A
    // device or FIFO keeps what it was sent; a file that had to be written
    // in place (its folder takes no new file) is removed, as it is no longer
    // whole.
    void Discard();
    // The system's error number of the last failure (0 without one).
    int Error() const { return error_; }

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void Flush();
    void WriteThrough(std::string_view bytes);
    void WriteBytes(const char* data, std::size_t size);
    bool OpenTemporary(const std::string& folder, const std::string& name, bool exists,
                       unsigned mode);
    bool PutInPlace();
    void Fail(int error);

    int fd_ = -1;
    std::string target_;     // the file that takes the content
    std::string temporary_;  // the named temporary file, if one was made
    bool unnamed_ = false;   // written to a file without a name yet
    bool inPlace_ = false;   // written to the target itself
    bool regularTarget_ = false;
    std::vector<char> buffer_;
    bool failed_ = false;
    int error_ = 0;
};

}  // namespace TextFile
