// Steps every conversion takes: opening its output, holding the reader's
// findings until the read is over, and putting the output in place.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

// Opens the output; null, with the result's message, when it cannot be made.
std::unique_ptr<TextOutput> OpenOutput(const ConversionRequest& request, ConversionResult& result);

// Puts the written file in place; the result says why when it could not be
// written whole.
void CommitOutput(TextOutput& file, ConversionResult& result);

// Holds what the reader finds until the read is over and keeps the first
// finding that moves data. The caller's observer hears them when the read
// ran its course: a read the writer stopped at the header ends with
// findings about rows it never read.
class FindingWatch : public ReadObserver {
public:
    explicit FindingWatch(ReadObserver* next) : next_(next) {}
    void Found(const ReadFinding& finding) override {
        if (!misread_ && LosesOrMovesData(finding)) misread_ = finding;
        held_.push_back(finding);
    }
    bool WantsEveryRefusal() const override { return next_ != nullptr && next_->WantsEveryRefusal(); }
    const std::optional<ReadFinding>& FirstMisread() const { return misread_; }
    const std::vector<ReadFinding>& All() const { return held_; }
    void Pass() {
        if (next_ == nullptr) return;
        for (const ReadFinding& finding : held_) next_->Found(finding);
    }

private:
    ReadObserver* next_;
    std::vector<ReadFinding> held_;
    std::optional<ReadFinding> misread_;
};

}  // namespace tovfileio
