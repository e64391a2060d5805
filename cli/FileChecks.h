// What `info` and `convert` say about a file beyond what its reader reports:
// the places where the header, the name line, the label line and the rows
// disagree, number fields that hold text, and files that hold nothing of
// their format. The readers stay silent on purpose (the host reads the same
// files without a word); the command line tells the user, one line each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// One thing the second pass finds in a file: where it stands, what stands
// there and what it does to the read.
struct Finding {
    // How much the read departs from what the file means.
    enum class Effect {
        Refusal,  // the reader refuses the file here
        Shift,    // data is lost or goes to the wrong marker or frame
        Misread,  // a value is read as another
        Note,     // the file departs from the layout, yet reads the same
    };
    std::uint64_t line = 0;    // from 1; 0 for the file as a whole
    std::uint64_t column = 0;  // from 1, in characters; 0 for the whole line
    std::string found;         // the text at that place, as the file has it
    std::string text;          // what it means (the warning's text)
    Effect effect = Effect::Misread;
    bool warning = true;       // info and convert warn of it; else only --diagnose says it
};

// Every finding of a file its reader accepted, in the order the warnings
// come; the diagnosis-only ones follow.
std::vector<Finding> FindHtrProblems(const std::string& path, const HTRFile& htr);
std::vector<Finding> FindTrcProblems(const std::string& path, const TRCFile& trc);

// Where the reader's failure `message` on the file at `path` comes from: the
// line, column and text that make it refuse the file (none when the file
// could not be opened or nothing points at a line).
std::vector<Finding> LocateReadFailure(const std::string& path, bool trc,
                                       const std::string& message);

// `path` is the file the reader read, `name` the file as the user named it
// (for the messages). Warn of the findings above.
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
