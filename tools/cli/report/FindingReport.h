// What the command line says about a read around the library's sentences
// (tovfileio/text/FindingText.h) and findings (FindingList.h): the warnings of
// a command run as "FILE: warning: TEXT", and the context of a refusal,
// which names the file the user gave. The readers decide every rule and the
// library words every finding; nothing here looks at a file's lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/files/CommandIO.h"
#include "cli/report/SafeText.h"
#include "tovfileio/text/FindingList.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/ReadFinding.h"

using tovfileio::Counted;
using tovfileio::FindingList;
using tovfileio::Quoted;

// Warnings of one command run, written as "FILE: warning: TEXT" on
// standard error as they come.
class Warnings {
public:
    explicit Warnings(const CommandIO& io) : io_(io) {}
    void Add(const std::string& file, const std::string& text);
    // Every warning among `findings` (tovfileio::IsWarning), in its words.
    void AddFindings(const std::string& file, const std::vector<tovfileio::ReadFinding>& findings);
    std::uint64_t Count() const { return count_; }

private:
    const CommandIO& io_;
    std::uint64_t count_ = 0;
};

// What to add after a reader's message that refused the file the user named
// `name`: "(line N: ...)", or for a file that could not be opened the
// system's reason, with the file tried when it is not `name` (`tried`, or
// else the path the reader opened), then what `tovfileio repair` does for
// the file when it makes it read (RepairHint). Empty when there is nothing
// to add.
std::string RefusalContext(const FindingList& findings, const std::string& name,
                           const std::string& tried = std::string());
