// What `tovfileio info` says about a TRC file, from its header, its markers
// and a tally of its rows taken as they are read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

// Counts each marker's dropouts as the rows go by; keeps no sample.
class TrcRowTally : public tovfileio::TRCRowSink {
public:
    bool Begin(const tovfileio::TRCFile& file) override {
        dropouts_.assign(file.GetNumMarkers(), 0);
        return true;
    }
    bool Row(std::span<const tovfileio::TRCSample> samples) override {
        for (std::size_t m = 0; m < samples.size(); ++m) dropouts_[m] += samples[m].valid ? 0 : 1;
        return true;
    }
    std::uint64_t Dropouts(std::uint32_t marker) const {
        return marker < dropouts_.size() ? dropouts_[marker] : 0;
    }

private:
    std::vector<std::uint64_t> dropouts_;
};

// A readable report: header values, rows read against the header's frame
// count, duration, and every marker with its samples and dropouts.
std::string DescribeTrc(const std::string& file, const tovfileio::TRCFile& trc, const TrcRowTally& rows);

// One JSON object on one line, with a line feed.
std::string TrcJson(const std::string& file, const tovfileio::TRCFile& trc, const TrcRowTally& rows);
