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

    std::uint32_t GetNumSamples() const { return static_cast<std::uint32_t>(samples_.Size()); }
    // The coordinates of sample `index` and whether it is valid; 0, 0, 0 and
    // false beyond the samples.
    bool GetPosition(std::uint32_t index, double& x, double& y, double& z) const;
    void AddPosition(double x, double y, double z) { samples_.Add({true, false, x, y, z}); }
    void AddDropout() { samples_.Add({}); }
    void AddSample(const TRCSample& sample) { samples_.Add(sample); }
    // Every sample, one per row, for code that edits them in place.
    std::span<TRCSample> Samples() { return {samples_.Data(), samples_.Size()}; }
    std::span<const TRCSample> Samples() const { return {samples_.Data(), samples_.Size()}; }
    // Keeps the samples from `first`, `count` of them (fewer at the end).
    void KeepSamples(std::size_t first, std::size_t count);
    // Room for `count` samples; only an optimisation.
    void ReserveSamples(std::size_t count) { samples_.Reserve(count); }

    // Multiplies every coordinate by `factor`; valid flags stay.
    void ScaleSamples(double factor);

private:
    // The samples in row order: the first held in place, so that a marker
    // of a one-row take (a cloud of a million markers) allocates nothing
    // for it; more in an array that doubles as it fills.
    class SampleList {
    public:
        SampleList() = default;
        SampleList(const SampleList& other) { CopyFrom(other); }
        SampleList(SampleList&& other) noexcept { TakeFrom(other); }
        SampleList& operator=(const SampleList& other) {
            if (this != &other) {
                size_ = 0;
                CopyFrom(other);
            }
            return *this;
        }
        SampleList& operator=(SampleList&& other) noexcept {
            if (this != &other) {
                Free();
                TakeFrom(other);
            }
            return *this;
        }
        ~SampleList() { Free(); }

        std::size_t Size() const { return size_; }
        TRCSample* Data() { return data_; }
        const TRCSample* Data() const { return data_; }
        void Add(const TRCSample& sample) {
            if (size_ == capacity_) Reserve(2 * std::size_t{size_});
            data_[size_++] = sample;
        }
        void Reserve(std::size_t count);
        // Keeps `count` samples from `first` (both within the samples).
        void Keep(std::size_t first, std::size_t count);

    private:
        bool OnHeap() const { return data_ != &one_; }
        void CopyFrom(const SampleList& other);
        void TakeFrom(SampleList& other);
        void Free();

        TRCSample one_{};
        TRCSample* data_ = &one_;  // one_, or room for capacity_ samples apart
        std::uint32_t size_ = 0;
        std::uint32_t capacity_ = 1;
    };

    bool included_ = true;
    std::wstring name_;
    SampleList samples_;
};

}  // namespace tovfileio
