// How the libraries reach text files: the lines of an input, an output that
// takes its file's place whole or not at all, and the file system that opens
// both by path. Every reader and writer of the libraries goes through these.
// A program uses the standard file system (TextReader and TextWriter); a host
// that has a text-file service of its own installs it with UseTextFiles, as
// the plug-in module installs its host's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tovfileio {

// What every reader and writer of the libraries says of a file it cannot
// open.
inline constexpr wchar_t kFileNotOpened[] = L"The file could not be opened";

// The lines of one input, without their line ends.
class TextLines {
public:
    virtual ~TextLines() = default;
    // The next line as wide text, or null at the end (and after a read
    // error). The line belongs to the input and stays valid until the next
    // call.
    virtual const std::wstring* ReadLine() = 0;
    // True while the input is UTF-8, so its lines may be read as bytes.
    virtual bool IsUtf8() const = 0;
    // The next line of a UTF-8 input as its bytes, valid until the next
    // call: decoded with DecodeUtf8 it is the line ReadLine gives, and every
    // ASCII byte stands for itself. False at the end, after a read error and
    // for an input that is not UTF-8. ReadLine and ReadLineBytes may be mixed.
    virtual bool ReadLineBytes(std::string_view& line) = 0;
    // The input's size in bytes, 0 when it has none (a stream): readers keep
    // what they reserve in proportion to it.
    virtual std::uint64_t Size() const = 0;
};

// A file being written. Its bytes reach the file's name only when Commit
// says so: an output destroyed without Commit, or committed while an
// exception unwinds, is discarded, and the file it was to replace stays as
// it was.
class TextOutput {
public:
    virtual ~TextOutput() = default;
    // Appends `bytes`; a failure is remembered for Failed and Commit.
    virtual void Write(std::string_view bytes) = 0;
    // True once writing has failed (a full disk, say).
    virtual bool Failed() const = 0;
    // The system's error number of the first failure, 0 without one.
    virtual int Error() const = 0;
    // Puts the file in place; true when every byte reached it under its
    // name.
    virtual bool Commit() = 0;
    // Drops what was written; the old file stays.
    virtual void Discard() = 0;
};

// Opens files by path (wide text, as TextCodec.h maps it to the system's).
class TextFileSystem {
public:
    virtual ~TextFileSystem() = default;
    // The lines of the file at `path`; null, with the system's error number
    // in `error`, when it cannot be opened for reading.
    virtual std::unique_ptr<TextLines> OpenLines(const std::wstring& path, int& error) = 0;
    // A new content for the file at `path`; null, with the system's error
    // number in `error`, when the file cannot be made.
    virtual std::unique_ptr<TextOutput> CreateOutput(const std::wstring& path, int& error) = 0;
};

// The file system the libraries open files with: the one installed, else
// the standard one.
TextFileSystem& TextFiles();
// Installs `files` for every later open (null: the standard one again). The
// caller keeps it alive while it is installed.
void UseTextFiles(TextFileSystem* files);

}  // namespace tovfileio
