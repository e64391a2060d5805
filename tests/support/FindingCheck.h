// An observer for the readers' tests: every finding a reader gives must
// carry the detail its code calls for, name the format read and have its
// sentence. It reads on after a refusal, so every refusal is checked too.
#pragma once

#include <string>

#include "tovfileio/text/FindingText.h"

namespace tovtest {

class FindingCheck : public tovfileio::ReadObserver {
public:
    explicit FindingCheck(tovfileio::FileKind format) : format_(format) {}

    void Found(const tovfileio::ReadFinding& finding) override {
        if (!tovfileio::CarriesItsDetail(finding) || finding.format != format_ ||
            tovfileio::FindingText(finding).empty()) {
            if (faults++ == 0) firstFault = static_cast<int>(finding.code);
        }
    }
    bool WantsEveryRefusal() const override { return true; }

    int faults = 0;
    int firstFault = -1;  // the code of the first finding at fault

private:
    tovfileio::FileKind format_;
};

}  // namespace tovtest
