// What `tovfileio info` says about a TRC file, from its header, its markers
// and a tally of its rows taken as they are read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tovfileio/text/FileKinds.h"
#include "tovfileio/trc/TRCFile.h"

// Counts each marker's dropouts as the rows go by; keeps no sample. The
// markers past a trimmed row's end share one sample, so such a row counts
// once where its shared part begins and the counts add up down the markers.
class TrcRowTally : public tovfileio::TRCRowSink {
public:
    bool Begin(const tovfileio::TRCFile& file) override {
        dropouts_.assign(file.GetNumMarkers(), 0);
        restFrom_.assign(file.GetNumMarkers(), 0);
        return true;
    }
    bool Row(const tovfileio::TRCRow& row) override {
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

// A readable report: header values, rows read against the header's frame
// count, duration, and every marker with its samples and dropouts. `kind`
// is the format the take was read from (TRC, C3D or GWM).
std::string DescribeTrc(const std::string& file, const tovfileio::TRCFile& trc, const TrcRowTally& rows,
                        tovfileio::FileKind kind = tovfileio::FileKind::kTrc);

// One JSON object on one line, with a line feed.
std::string TrcJson(const std::string& file, const tovfileio::TRCFile& trc, const TrcRowTally& rows,
                    tovfileio::FileKind kind = tovfileio::FileKind::kTrc);
