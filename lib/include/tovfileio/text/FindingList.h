// The findings of one read, kept in the order the reader gave them: the
// observer every program attaches when it wants what a read found once the
// read is over (to report, diagnose, hand on or raise).
#pragma once

#include <vector>

#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

class FindingList : public ReadObserver {
public:
    // `everyRefusal`: read on after a refusal to find the others too.
    explicit FindingList(bool everyRefusal = false) : everyRefusal_(everyRefusal) {}

    void Found(const ReadFinding& finding) override { findings_.push_back(finding); }
    bool WantsEveryRefusal() const override { return everyRefusal_; }

    const std::vector<ReadFinding>& All() const { return findings_; }
    // The first refusal, or null.
    const ReadFinding* Refusal() const;
    // The first finding of `code`, or null.
    const ReadFinding* Find(ReadFindingCode code) const;
    // Tells `observer` (when there is one) every finding kept, in order.
    void ReplayTo(ReadObserver* observer) const;
    void Clear() { findings_.clear(); }

private:
    bool everyRefusal_;
    std::vector<ReadFinding> findings_;
};

}  // namespace tovfileio
