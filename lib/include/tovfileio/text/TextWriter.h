// The standard writer of the libraries: 8-bit text, written through one
// buffer. A plain file is replaced whole or not at all: the text goes to a
// temporary file beside it, which takes the file's name only when Commit is
// called and every byte was written; until then, after a failure, a Discard
// or a writer destroyed uncommitted, the old file stays exactly as it was.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

class TextWriter final : public TextOutput {
public:
    TextWriter() = default;
    // Discards what was not committed (a log opened in place keeps what it
    // was given).
    ~TextWriter() override;
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Starts the file at `path`, which Commit makes the new content of
    // `path`. A link is written through to the file it names, which keeps its
    // permissions; a device or a FIFO is written to as it is. False when the
    // file cannot be made (a missing folder, a folder in its place, links
    // that go round in a loop, no permission, a file that may not be
    // written); an open writer is discarded first.
    bool Open(const std::wstring& path);
    // Starts `path` itself, emptied, for a file that is read while it grows
    // (a log): every Flush puts what was written so far into the file, and
    // it keeps what it was given however the writer ends.
    bool OpenInPlace(const std::wstring& path);
    // Makes the file and its new name reach the disk before Commit returns,
    // for files a crash must not take back (settings, scene documents).
    void SetDurable(bool durable) { durable_ = durable; }
    // The permissions a new file gets (less the process's umask); a file
    // replaced keeps its own. 0666 unless set before Open.
    void SetNewFileMode(unsigned mode) { newFileMode_ = mode; }

    // Appends bytes exactly as given. Output is buffered; a write error is
    // remembered and reported by Failed and Commit.
    void Write(std::string_view bytes) override {
        if (bytes.size() <= buffer_.capacity() - buffer_.size()) {
            buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        } else {
            WriteThrough(bytes);
        }
    }

    // True once writing has failed (a full disk, say).
    bool Failed() const override { return failed_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Writes what is buffered and puts the file in place; true when every
    // byte reached the file and it took its name. While an exception
    // unwinds that began after Open, the file is discarded instead: what
    // was written may be cut anywhere.
    bool Commit() override;
    // Drops what was written since Open: the old file stays as it was. A
    // device or FIFO keeps what it was sent; a file that had to be written
    // in place (its folder takes no new file) is removed, as it is no longer
    // whole; a log keeps its lines.
    void Discard() override;
    // The system's error number of the last failure (0 without one).
    int Error() const override { return error_; }
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
    bool log_ = false;        // opened in place on purpose: kept as written
    int unwinding_ = 0;       // exceptions in flight when it was opened
    bool regularTarget_ = false;
    bool durable_ = false;
    unsigned newFileMode_ = 0666;
    std::vector<char> buffer_;
    bool failed_ = false;
    int error_ = 0;
};

// How long a writer to a FIFO waits, for the process: for a reader to open
// it, and for room in it while the reader lags, until `stop` returns true
// (looked at every 50 ms, from any thread); the write then fails with
// ECANCELED, and a file no one reads is given up. Null, the default: as
// long as it takes. A program that takes a signal as a cancel sets it, so
// the cancel reaches a write that no one reads.
void StopWaitingWhen(bool (*stop)());

// The file a write to `path` replaces: `path` with its symbolic links
// followed, so that the file a link names takes the new content and the link
// stays. The file need not exist (a dangling link names the file to make).
// False, with `error` set and `target` empty, when the links cannot be
// followed to an end: ELOOP when they go round in a loop or more than 40
// deep, as the system would refuse to open them.
bool FollowLinks(const std::string& path, std::string& target, int& error);

}  // namespace tovfileio
