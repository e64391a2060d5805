// The check every reader's fuzz target makes of its input: read from its
// file, as a program opens it, and read again from memory with an observer,
// it gives the same message, and the observer hears a refusal exactly when
// that read is refused. MarkerReadTwice.h adds the rows of marker files.
#pragma once

#include <cstdlib>
#include <string>

#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/ReadFinding.h"

namespace fuzzread {

// What the findings of a read of `kFormat` must be: each that format's, with
// a sentence, and whatever Holds adds for the target's reader.
template <tovfileio::FileKind kFormat>
class Findings : public tovfileio::ReadObserver {
public:
    void Found(const tovfileio::ReadFinding& finding) override {
        if (finding.format != kFormat || tovfileio::FindingText(finding).empty() || !Holds(finding)) {
            std::abort();
        }
        refused = refused || finding.effect == tovfileio::ReadFinding::Effect::kRefusal;
    }
    bool refused = false;

protected:
    // Told each finding before it counts: `refused` is still what came before.
    virtual bool Holds(const tovfileio::ReadFinding& /*finding*/) const { return true; }
};

// Whether two refusals must give one message. A read that keeps its rows can
// be refused for the memory they would take where a read handing them on
// goes further and is refused for something else.
enum class Refusals { kSameMessage, kAnyMessage };

// Reads the input with `fromFile(whole)`, then with
// `fromMemory(observed, findings)`, and returns the first read's message.
// Aborts unless the observer heard a refusal exactly when the second read was
// refused, and the two messages are the same where either read succeeded (or,
// with kSameMessage, always).
template <typename Model, typename Observer, typename FromFile, typename FromMemory>
std::wstring ReadTwice(Model& whole, Model& observed, Observer& findings, Refusals refusals,
                       FromFile fromFile, FromMemory fromMemory) {
    const std::wstring message = fromFile(whole);
    const std::wstring observedMessage = fromMemory(observed, findings);
    if (findings.refused != !observedMessage.empty()) std::abort();
    const bool compared = refusals == Refusals::kSameMessage || message.empty() || observedMessage.empty();
    if (compared && observedMessage != message) std::abort();
    return message;
}

}  // namespace fuzzread
