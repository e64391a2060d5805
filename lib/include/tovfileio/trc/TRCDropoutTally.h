// Each marker's dropouts in a marker take, counted as its rows are read.
#pragma once

#include <cstdint>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// Counts each marker's dropouts as the rows go by; keeps no sample. The
// markers past a trimmed row's end share one sample, so such a row counts
// once where its shared part begins and the counts add up down the markers.
class TRCDropoutTally : public TRCRowSink {
public:
    bool Begin(const TRCFile& file) override {
        dropouts_.assign(file.GetNumMarkers(), 0);
        restFrom_.assign(file.GetNumMarkers(), 0);
        return true;
    }
    bool Row(const TRCRow& row) override {
        const auto held = row.Held();
        for (std::size_t m = 0; m < held.size(); ++m) dropouts_[m] += held[m].valid ? 0 : 1;
        if (held.size() < row.size() && !row.Rest().valid) ++restFrom_[held.size()];
        return true;
    }
    // The dropouts of every marker, in marker order.
    std::vector<std::uint64_t> Dropouts() const {
        std::vector<std::uint64_t> dropouts(dropouts_.size());
        std::uint64_t rest = 0;
        for (std::size_t m = 0; m < dropouts.size(); ++m) {
            rest += restFrom_[m];
            dropouts[m] = dropouts_[m] + rest;
        }
        return dropouts;
    }

private:
    std::vector<std::uint64_t> dropouts_;  // in the rows' own columns
    std::vector<std::uint64_t> restFrom_;  // rows whose shared dropout begins at the marker
};

}  // namespace tovfileio
