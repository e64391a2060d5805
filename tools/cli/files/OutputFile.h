// Where a command's output goes, decided before anything is written.
//
// - A plain file (new or existing) is written through the host's text
//   writer, which puts it in place only when it is whole; a symbolic link is
//   written through to the file it points to, which keeps its permissions.
// - A device or a FIFO is streamed to, as it is named (staged first, as
//   standard output is, for a command that reads its output back).
// - A folder means a file in it named after the input, with the output's
//   extension.
// - "-" is standard output; the file is written in a private temporary
//   folder and copied out when whole.
//
// Refused, like `cp` refuses: the input file itself (same device and inode),
// and an existing file the user may not write ("Permission denied"); a
// write-protected file is refused even for root, as `rm` asks before
// removing one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/files/CommandIO.h"

// "The file could not be opened (REASON)", the readers' and writers' own
// words with the system's reason for `error` (and `where` before it, when
// not empty).
std::string NotOpened(int error, const std::string& where = std::string());
// "The file could not be written completely (REASON)" for a write that
// failed with `error` (0: no reason known).
std::string NotWrittenWhole(int error);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The file a typed name stands for, as the host's dialogs of a format
    // take it (HtrFileNamed); null: the name is the file.
    using NameRule = std::string (*)(const std::string&);

    // `out` as given; `input` the input as named (for a folder output) and
    // `inputFile` the file read; `extension` ".htr", ".gwm" and so on, for
    // a file in a folder; `rule`, applied to a name that is not an existing
    // device, FIFO or folder. False with `error` set when the output is
    // refused: "The file could not be opened" with the path tried and the
    // system's reason, or why it is refused.
    bool Resolve(const std::string& out, const std::string& input, const std::string& inputFile,
                 const std::string& extension, NameRule rule, std::string& error);

    // For a command that reads its output back: a device or a FIFO output
    // is written first to a private temporary folder, as standard output
    // is, and copied to it by Finish. False, with `error` set, when the
    // folder cannot be made.
    bool StageStream(const std::string& input, const std::string& extension, std::string& error);

    // The path to hand the writer; it ends in the extension.
    const std::string& WritePath() const { return writePath_; }
    // The output as the user knows it, for messages.
    const std::string& Name() const { return name_; }
    // True when the output is a plain file whose size the disk pays for.
    bool IsPlainFile() const { return plain_; }

    // Writes `bytes` as the whole output; false, with `error` set to the
    // system's reason, when they could not be written whole.
    bool Write(std::string_view bytes, std::string& error);
    // Copies a staged output to standard output or to its device or FIFO.
    // False with `error` set when that fails.
    bool Finish(const CommandIO& io, std::string& error);

private:
    // Makes the private folder and names the file in it.
    bool Stage(const std::string& input, const std::string& extension, std::string& error);
    bool CopyToStream(std::string& error) const;

    std::string name_;
    std::string writePath_;
    bool plain_ = false;
    bool staged_ = false;
    bool toStandardOutput_ = false;
    std::string streamPath_;  // a staged device or FIFO
    std::string tempFolder_;
    int folderSlot_ = -1;
    int fileSlot_ = -1;
};
