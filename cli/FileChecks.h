// What `info` and `convert` say about a file beyond what its reader reports:
// the places where the header, the name line, the label line and the rows
// disagree, number fields that hold text, and files that hold nothing of
// their format. The readers stay silent on purpose (the host reads the same
// files without a word); the command line tells the user, one line each.
#pragma once

#include <cstdint>
#include <string>

#include "cli/CommandIO.h"

class HTRFile;
class TRCFile;

// Warnings of one command run, written as "FILE: warning: TEXT" on
// standard error as they come.
class Warnings {
public:
    explicit Warnings(const CommandIO& io) : io_(io) {}
    void Add(const std::string& file, const std::string& text);
    std::uint64_t Count() const { return count_; }

private:
    const CommandIO& io_;
    std::uint64_t count_ = 0;
};

// `path` is the file the reader read, `name` the file as the user named it
// (for the messages).
void CheckHtrFile(const std::string& path, const std::string& name, const HTRFile& htr,
                  Warnings& warnings);
void CheckTrcFile(const std::string& path, const std::string& name, const TRCFile& trc,
                  Warnings& warnings);

// "1 dropout", "2 dropouts".
std::string Counted(std::uint64_t count, const char* singular, const char* plural);

// Context for a reader's failure `message` on the file at `path`, which the
// user knows as `shown` and named `name`: "(line N: ...)" with what was found
// there, or, when the file could not be opened, the path tried (when it is
// not the name given) and the system's reason. Empty when there is nothing
// to add.
std::string ExplainReadFailure(const std::string& path, const std::string& shown,
                               const std::string& name, bool trc, const std::string& message);
