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

// A write that failed: the file meant, as the writer was given it, and the
// system's error number.
struct WriteFailure {
    std::string path;
    int error = 0;
};

// The writes that failed in this process since the last call, in order:
// how the host learns that a plug-in's file could not be written, which the
// plug-in may not report itself.
std::vector<WriteFailure> TakeWriteFailures();

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
    // Starts `path` itself, emptied, for a file that is read while it grows
    // (a log): every Flush puts what was written so far into the file.
    bool OpenInPlace(const std::wstring& path);
    // Makes the file and its new name reach the disk before Close returns,
    // for files a crash must not take back (settings, scene documents).
    void SetDurable(bool durable) { durable_ = durable; }
    // The permissions a new file gets (less the process's umask); a file
    // replaced keeps its own. 0666 unless set before Open.
    void SetNewFileMode(unsigned mode) { newFileMode_ = mode; }

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
    // Hands what is buffered to the file.
    void Flush();

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void WriteThrough(std::string_view bytes);
    void WriteBytes(const char* data, std::size_t size);
    bool Start(const std::wstring& path, bool inPlace);
    bool OpenTemporary(bool exists, unsigned mode);
    bool PutInPlace();
    void Fail(int error);
    void CloseFolder();

    int fd_ = -1;
    int folder_ = -1;         // the target's folder, which names are made in
    std::string given_;       // the path as given, for failure reports
    std::string target_;      // the file that takes the content
    std::string name_;        // its name in its folder
    std::string temporary_;   // the named temporary file in the folder, if any
    bool unnamed_ = false;    // written to a file without a name yet
    bool inPlace_ = false;    // written to the target itself
    bool regularTarget_ = false;
    bool durable_ = false;
    unsigned newFileMode_ = 0666;
    std::vector<char> buffer_;
    bool failed_ = false;
    int error_ = 0;
};

}  // namespace TextFile
