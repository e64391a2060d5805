// Text files as the host offers them to plug-ins for writing: 8-bit text,
// written through one buffer. A plain file is replaced whole or not at all:
// the text goes to a temporary file beside it, which takes the file's name
// only when Close is called and every byte was written; until then, after a
// failure, a Discard, or a writer destroyed without Close, the old file
// stays exactly as it was.
#pragma once

#include <memory>
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

// The file a Writer opened on `path` replaces: `path` with its symbolic
// links followed (the file need not exist). False, with `error` set (ELOOP
// for links that go round in a loop), when they cannot be followed to an
// end, as Open then fails.
bool FollowLinks(const std::string& path, std::string& target, int& error);

// For the program that runs the host: until `stop` returns true, a writer
// to a FIFO waits for a reader to open it and for room in it; then the
// write fails (ECANCELED) and the file is given up. The host's cancel
// reaches a write no one reads through it. Null, the default: as long as
// it takes.
void StopWaitingWhen(bool (*stop)());

class Writer {
public:
    Writer();
    // Discards what was not closed.
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Starts the file at `path`, which Close makes the new content of
    // `path`. A link is written through to the file it names, which keeps its
    // permissions; a device or a FIFO is written to as it is. False when the
    // file cannot be made; an open writer is discarded first.
    bool Open(const std::wstring& path);
    // Starts `path` itself, emptied, for a file that is read while it grows
    // (a log): every Flush puts what was written so far into the file, and
    // it keeps what it was given however the writer ends.
    bool OpenInPlace(const std::wstring& path);
    // Makes the file and its new name reach the disk before Close returns,
    // for files a crash must not take back (settings, scene documents).
    void SetDurable(bool durable);
    // The permissions a new file gets (less the process's umask); a file
    // replaced keeps its own. 0666 unless set before Open.
    void SetNewFileMode(unsigned mode);
    // Whether a failure of this file goes into the host's record
    // (TakeWriteFailures); true unless set. The host's own files, whose
    // failures it says itself (the settings), are kept out of the record
    // of what a plug-in wrote.
    void SetRecorded(bool recorded) { recorded_ = recorded; }

    // Appends bytes exactly as given; a write error is remembered and
    // reported by Failed and Close.
    void Write(std::string_view bytes);
    // True once writing has failed (a full disk, say).
    bool Failed() const;
    bool IsOpen() const;
    // Writes what is buffered and puts the file in place; true when every
    // byte reached the file and it took its name. While an exception unwinds
    // that began after Open, the file is discarded instead.
    bool Close();
    // Drops what was written since Open: the old file stays as it was.
    void Discard();
    // The system's error number of the last failure (0 without one).
    int Error() const;
    // Hands what is buffered to the file.
    void Flush();

private:
    // Records a failure of this file once, for TakeWriteFailures.
    void NoteFailure();

    class File;
    std::unique_ptr<File> file_;
    std::string given_;
    bool noted_ = false;
    bool recorded_ = true;
};

}  // namespace TextFile
