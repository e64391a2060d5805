// What the command line says about a file from what its reader found: each
// finding as one sentence, the warnings, and the context of a refusal. The
// readers decide every rule; nothing here looks at a file's lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands/CommandIO.h"
#include "cli/files/FileFormat.h"
#include "cli/report/SafeText.h"
#include "tovfileio/text/ReadFinding.h"

// The findings of one read, in the order the reader gave them.
class FindingList : public tovfileio::ReadObserver {
public:
    // `everyRefusal`: read on after a refusal to find the others too.
    explicit FindingList(bool everyRefusal = false) : everyRefusal_(everyRefusal) {}

    void Found(const tovfileio::ReadFinding& finding) override { findings_.push_back(finding); }
    bool WantsEveryRefusal() const override { return everyRefusal_; }

    const std::vector<tovfileio::ReadFinding>& All() const { return findings_; }
    // The first refusal, or null.
    const tovfileio::ReadFinding* Refusal() const;
    const tovfileio::ReadFinding* Find(tovfileio::ReadFindingCode code) const;
    void Clear() { findings_.clear(); }

private:
    bool everyRefusal_;
    std::vector<tovfileio::ReadFinding> findings_;
};

// Whether `info` and `convert` warn of a finding: the read departs from what
// the file means (data lost or moved, a value read as another).
bool IsWarning(const tovfileio::ReadFinding& finding);

// A file holds nothing of the format it was read as (a picture, say): the
// command line refuses it though the reader read it as empty.
bool IsForeignFile(const std::vector<tovfileio::ReadFinding>& findings);

// The finding as one sentence: where needed the line, what was found, what
// it does to the read and, where the fix is clear, the fix.
std::string FindingText(const tovfileio::ReadFinding& finding, FileFormat format);

// Warnings of one command run, written as "FILE: warning: TEXT" on
// standard error as they come.
class Warnings {
public:
    explicit Warnings(const CommandIO& io) : io_(io) {}
    void Add(const std::string& file, const std::string& text);
    // Every warning among `findings`.
    void AddFindings(const std::string& file, const std::vector<tovfileio::ReadFinding>& findings,
                     FileFormat format);
    std::uint64_t Count() const { return count_; }

private:
    const CommandIO& io_;
    std::uint64_t count_ = 0;
};

// What to add after a reader's message that refused the file the user named
// `name`: "(line N: ...)", or for a file that could not be opened the
// system's reason, with the file tried when it is not `name` (`tried`, or
// else the path the reader opened). Empty when there is nothing to add.
std::string RefusalContext(const FindingList& findings, FileFormat format, const std::string& name,
                           const std::string& tried = std::string());

// "1 dropout", "2 dropouts".
std::string Counted(std::uint64_t count, const char* singular, const char* plural);

// `text` in double quotes, control characters shown as Escaped shows them,
// and cut after 40 characters.
std::string Quoted(std::string_view text);
