// Where a command's output goes, decided before anything is written.
//
// - A plain file (new or existing) is staged: written beside it and renamed
//   into place when whole. A symbolic link is written through: the file it
//   points to is replaced, atomically, and the link stays.
// - A device or a FIFO is streamed to, as it is.
// - A folder means a file in it named after the input, with the output's
//   extension.
// - "-" is standard output; the file is staged in a temporary folder and
//   copied out when whole.
//
// Refused, like `cp` refuses: the input file itself (same device and inode),
// and an existing file the user may not write ("Permission denied"); a
// write-protected file is refused even for root, as `rm` asks before
// removing one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/CommandIO.h"
#include "cli/StagedOutput.h"

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // `out` as given; `input` the input as named (for a folder output) and
    // `inputFile` the file read; `extension` ".htr" or ".gwm";
    // `appendExtension`: a name that is not an existing device, FIFO or
    // folder gets `extension` when it does not end in it (the HTR writer's
    // rule). False with `error` set when the output is refused: the
    // module's "The file could not be opened" with the path tried and the
    // system's reason, or why it is refused.
    bool Resolve(const std::string& out, const std::string& input, const std::string& inputFile,
                 const std::string& extension, bool appendExtension, std::string& error);

    // The path to hand the writer; it ends in the extension.
    const std::string& WritePath() const { return writePath_; }
    // The output as the user knows it, for messages.
    const std::string& Name() const { return name_; }
    // True when the output is a plain file whose size the disk pays for.
    bool IsStaged() const { return staged_ != nullptr; }

    // Puts the written file in place (or copies it to standard output).
    // False with `error` set when that fails.
    bool Finish(const CommandIO& io, std::string& error);
    // Bytes written into the staged file so far.
    std::uint64_t WrittenBytes() const;

private:
    std::string name_;
    std::string writePath_;
    std::unique_ptr<StagedOutput> staged_;
    bool toStandardOutput_ = false;
    std::string tempFolder_;
    std::string link_;
    int folderSlot_ = -1;
    int linkSlot_ = -1;
};
