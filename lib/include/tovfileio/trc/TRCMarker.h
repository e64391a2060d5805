// One optical marker of a TRC file: its name and its position in every row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tovfileio {

// One row's position of a marker; a dropout (the marker was not seen) is
// not valid and sits at 0, 0, 0. A filled sample is valid but was not seen:
// gap filling put it there, and writers that can say so mark it.
struct TRCSample {
    bool valid = false;
    bool filled = false;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

class TRCMarker {
public:
    explicit TRCMarker(std::wstring name) : name_(std::move(name)) {}

    const std::wstring& GetName() const { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    // Whether the marker takes part in a conversion; every marker read from a
    // file is included until a name filter says otherwise.
    bool IsIncluded() const { return included_; }
    void SetIncluded(bool included) { included_ = included; }

    std::uint32_t GetNumSamples() const { return static_cast<std::uint32_t>(samples_.size()); }
    // The coordinates of sample `index` and whether it is valid; 0, 0, 0 and
    // false beyond the samples.
    bool GetPosition(std::uint32_t index, double& x, double& y, double& z) const;
    void AddPosition(double x, double y, double z) { samples_.push_back({true, false, x, y, z}); }
    void AddDropout() { samples_.push_back({}); }
    void AddSample(const TRCSample& sample) { samples_.push_back(sample); }
    // Every sample, one per row, for code that edits them in place.
    std::span<TRCSample> Samples() { return samples_; }
    std::span<const TRCSample> Samples() const { return samples_; }
    // Keeps the samples from `first`, `count` of them (fewer at the end).
    void KeepSamples(std::size_t first, std::size_t count);
    // Room for `count` samples; only an optimisation.
    void ReserveSamples(std::size_t count) { samples_.reserve(count); }

    // Multiplies every coordinate by `factor`; valid flags stay.
    void ScaleSamples(double factor);

private:
    bool included_ = true;
    std::wstring name_;
    std::vector<TRCSample> samples_;
};

}  // namespace tovfileio
