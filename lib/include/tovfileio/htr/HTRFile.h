// The in-memory form of one HTR file: header values, the segment hierarchy,
// each segment's base position and its per-frame motion. Angles are held in
// radians; lengths in the file's calibration units.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRSegment.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

enum RotationUnits : std::uint32_t {
    kRotationDegrees = 0,
    kRotationRadians = 1,
};

// "degrees" or "radians", the word a person gives and is shown for a unit
// of angles (a file's header spells it its own ways).
constexpr const char* RotationUnitsWord(RotationUnits units) {
    return units == kRotationRadians ? "radians" : "degrees";
}

// The unit of angles `word` names exactly; none for anything else.
constexpr std::optional<RotationUnits> RotationUnitsNamed(std::string_view word) {
    if (word == RotationUnitsWord(kRotationDegrees)) return kRotationDegrees;
    if (word == RotationUnitsWord(kRotationRadians)) return kRotationRadians;
    return std::nullopt;
}

class HTRFile {
public:
    HTRFile() = default;
    // Segments link to each other by address, so a file is never copied;
    // moving keeps every segment where it is.
    HTRFile(const HTRFile&) = delete;
    HTRFile& operator=(const HTRFile&) = delete;
    HTRFile(HTRFile&&) = default;
    HTRFile& operator=(HTRFile&&) = default;

    // Header defaults (mm, Degrees, 60 frames a second, no frames, first frame
    // 1) and no segments. The scale factor and the normalise flag are kept.
    void Reset();
    void ClearSegments() { segments_.clear(); }

    std::uint32_t SegmentCount() const { return static_cast<std::uint32_t>(segments_.size()); }
    // The segment at `index` in list order; null when out of range.
    HTRSegment* Segment(std::uint32_t index) const;
    // Appends a copy of `segment` and returns the stored copy; null, and the
    // list unchanged, when the name is taken or contains a space.
    HTRSegment* AddSegment(const HTRSegment& segment);
    // Appends a copy of `segment` without looking at the names, for a caller
    // that keeps the names it added and has checked this one with
    // NameAllowed and against them; returns the stored copy.
    HTRSegment* AppendSegment(const HTRSegment& segment);
    // Whether a segment may have this name: it holds no space.
    static bool NameAllowed(std::wstring_view name) { return name.find(L' ') == name.npos; }
    // The first segment in list order with exactly this name, else null.
    HTRSegment* FindSegment(std::wstring_view name) const;
    // The first segment in list order with the root flag set, else null.
    HTRSegment* RootSegment() const;
    // The frames the file holds: those of its segment with the most, which
    // the header's NumFrames may overstate or understate.
    std::uint32_t FramesHeld() const;

    // Multiplies every base translation, bone length and frame translation by
    // `factor`; rotations, scale factors and the header stay.
    void ScaleTranslations(double factor);
    // Converts all lengths to `units` and makes them the file's units.
    void ConvertCalibrationUnits(CalibrationUnits units);

    // Reads the HTR file at `path` into this model; returns the empty string
    // on success, otherwise the message for the user. `path` is opened as it
    // is given, as UTF-8; `observer` (when not null) is told what the reader
    // finds.
    std::wstring ReadFile(std::string_view path, ReadObserver* observer = nullptr);
    // Reads HTR text held in memory, `bytes` as a file would hold them.
    std::wstring ReadMemory(std::string_view bytes, ReadObserver* observer = nullptr);
    // ReadFile for a path in the host's wide form.
    std::wstring Read(const std::wstring& path);
    std::wstring Read(const std::wstring& path, ReadObserver* observer);
    // Reads from a reader already open on a file, on memory or on a stream.
    std::wstring Read(TextLines& source, ReadObserver* observer = nullptr);
    // Reads the header values alone, stopping at the first section after the
    // header; the model holds no segments after it. The empty string, or the
    // message for the user when the header is refused.
    std::wstring ReadHeader(const std::wstring& path);

    // Writes the model as an HTR file; returns the empty string on success,
    // otherwise the message for the user; `path` is written as it is given.
    // The model is not changed. A failure while writing or putting the file
    // in place (a full disk) does not change the message, and leaves an
    // older file at `path` as it was; callers that must know pass `ioError`,
    // which is set to the system's error number of such a failure, else 0.
    // Frames that run past the 32-bit frame numbers (FrameNumbersFit) are
    // refused, with nothing written.
    std::wstring Write(const std::wstring& path, int* ioError = nullptr) const;

    CalibrationUnits GetCalibrationUnits() const { return calibrationUnits_; }
    void SetCalibrationUnits(CalibrationUnits units) { calibrationUnits_ = units; }
    RotationUnits GetRotationUnits() const { return rotationUnits_; }
    void SetRotationUnits(RotationUnits units) { rotationUnits_ = units; }
    std::int32_t GetDataFrameRate() const { return dataFrameRate_; }
    void SetDataFrameRate(std::int32_t rate) { dataFrameRate_ = rate; }
    std::uint32_t GetNumFrames() const { return numFrames_; }
    void SetNumFrames(std::uint32_t frames) { numFrames_ = frames; }
    std::int32_t GetFirstFrame() const { return firstFrame_; }
    void SetFirstFrame(std::int32_t frame) { firstFrame_ = frame; }
    bool GetNormalizeScaleFactors() const { return normalizeScaleFactors_; }
    void SetNormalizeScaleFactors(bool normalize) { normalizeScaleFactors_ = normalize; }
    double GetScaleFactor() const { return scaleFactor_; }
    void SetScaleFactor(double factor) { scaleFactor_ = factor; }

private:
    friend class HTRReader;

    std::vector<std::unique_ptr<HTRSegment>> segments_;
    CalibrationUnits calibrationUnits_ = kUnitsMillimetres;
    RotationUnits rotationUnits_ = kRotationDegrees;
    std::int32_t dataFrameRate_ = 60;
    std::uint32_t numFrames_ = 0;
    std::int32_t firstFrame_ = 1;
    bool normalizeScaleFactors_ = false;
    double scaleFactor_ = 1.0;
};

}  // namespace tovfileio
