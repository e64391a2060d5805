// Which file library reads a file given on the command line, and which file
// it then opens.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/files/CommandIO.h"
#include "tovfileio/text/FileKinds.h"

// The kind a file given on the command line is read as: HTR or TRC by its
// name (the file-kind table's extensions), else TRC when its content
// starts as one, else HTR, whose reader says best what a file is not.
tovfileio::FileKind KindOfInput(const std::string& path);

// Where a name given on the command line leads, by the one rule every
// command and the module's importers share (an import reads the path it is
// given): an existing file is read as it is, as KindOfInput tells (a
// device or a FIFO by its name alone, as reading it would take its bytes);
// a name that does not exist is looked for as the host's importers look
// for a typed name (FilePaths.h): "NAME.TRC" when that starts like a TRC
// file, else "NAME.htr".
struct NamedInput {
    tovfileio::FileKind kind = tovfileio::FileKind::kHtr;
    std::string path;
};
NamedInput InputNamed(const std::string& name);

// The file's own name: what follows the last '/' of `path`.
std::string BaseName(const std::string& path);

// An input file of a command, resolved once, so that the kind and the file
// read agree: the reader opens ReadPath() as it is.
//
// - A file or a name leads where InputNamed says.
// - "-" is standard input, copied to a temporary file first; so is a device,
//   a FIFO or a socket. Such an input can be read only once (telling its
//   kind would eat the first bytes of a FIFO) and may never end, so the
//   copy stops at the byte limit, and every reader behind a command reads a
//   file of finite size.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The most bytes copied from an input that is not a regular file; 0:
    // no limit. Set before Resolve.
    void SetByteLimit(std::uint64_t bytes) { byteLimit_ = bytes; }

    // False, with `error` set ("PATH: REASON"), when standard input, a
    // device or a FIFO cannot be copied or offers more than the byte limit.
    bool Resolve(const std::string& path, const CommandIO& io, std::string& error);

    tovfileio::FileKind Kind() const { return kind_; }
    // The file to read, as it is: no naming rule applies to it any more.
    const std::string& ReadPath() const { return readPath_; }
    // The file actually looked at, for messages and for comparing with an
    // output.
    const std::string& Tried() const { return tried_; }

private:
    // Copies `from` into a temporary folder and reads the copy.
    bool CopyToTemporary(std::FILE* from, const std::string& path, std::string& error);

    std::uint64_t byteLimit_ = 0;
    tovfileio::FileKind kind_ = tovfileio::FileKind::kHtr;
    std::string readPath_;
    std::string tried_;
    std::string tempFolder_;
    int fileSlot_ = -1;
    int folderSlot_ = -1;
};

// Why `path` cannot be opened for reading, in the system's words ("No such
// file or directory", "Is a directory", "Permission denied").
std::string WhyNotReadable(const std::string& path);
