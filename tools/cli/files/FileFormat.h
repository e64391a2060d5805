// Which file library reads a file given on the command line, and which file
// it then opens.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/commands/CommandIO.h"

enum class FileFormat { Htr, Trc };

// By extension (".htr", ".trc", any letter case); otherwise by content: a
// file whose first line starts with "PathFileType" is TRC, anything else HTR.
FileFormat DetectFileFormat(const std::string& path);

// The file's own name: what follows the last '/' of `path`.
std::string BaseName(const std::string& path);

// An input file of a command, resolved so that the format guess and the
// readers' extension rules agree: the reader is handed ReadPath(), which it
// opens as it is, and which is the file the format was guessed from.
//
// - "NAME.htr" and "NAME.trc" are read as they are named.
// - An existing file of another name is read as its content says, through a
//   link named for its format in a temporary folder, because the readers
//   would otherwise append their extension and open another file.
// - A name that does not exist is looked for the way the readers look:
//   "NAME.TRC" (only when NAME has no three-letter extension) when it starts
//   like a TRC file, else "NAME.htr".
// - "-" is standard input, copied to a temporary file first; so is a device,
//   a FIFO or a socket. Such an input can be read only once (the format
//   guess would eat the first bytes of a FIFO) and may never end, so the
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

    FileFormat Format() const { return format_; }
    const std::string& ReadPath() const { return readPath_; }
    // The file actually looked at, for messages and for comparing with an
    // output.
    const std::string& Tried() const { return tried_; }
    bool IsStandardInput() const { return standardInput_; }

private:
    // Copies `from` into the temporary folder under `name` and sets the
    // format and the read path from the copy.
    bool CopyToTemporary(std::FILE* from, const std::string& path, const std::string& name,
                         std::string& error);

    std::uint64_t byteLimit_ = 0;
    FileFormat format_ = FileFormat::Htr;
    std::string readPath_;
    std::string tried_;
    std::string tempFolder_;
    bool standardInput_ = false;
    int fileSlot_ = -1;
    int folderSlot_ = -1;
};

// Why `path` cannot be opened for reading, in the system's words ("No such
// file or directory", "Is a directory", "Permission denied").
std::string WhyNotReadable(const std::string& path);
