// C3D writing: block 1 the header, from block 2 the parameter section, then
// the frames, each marker as x, y, z and a residual (0 seen, -1 a dropout),
// all Intel floats.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "C3DParamSection.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

namespace {

using c3dwrite::AppendU16;
using c3dwrite::kBlock;
using c3dwrite::kMostParamBlocks;
using c3dwrite::kPerParam;
using c3dwrite::kRecordData;
using c3dwrite::ParamSection;
using c3dwrite::PutU16;

constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

const wchar_t kNotWritten[] = L"The file could not be written";
const wchar_t kWriteOutOfMemory[] = L"There is not enough memory to write the file";

std::uint16_t Capped16(std::int64_t value) {
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(value, 0, 0xffff));
}

// A marker name as a label: UTF-8, cut to 255 bytes at a character's start.
std::string Label(const std::wstring& name) {
    std::string label = EncodeUtf8(name);
    if (label.size() > kPerParam) {
        std::size_t cut = kPerParam;
        while (cut > 0 && (static_cast<unsigned char>(label[cut]) & 0xc0) == 0x80) --cut;
        label.resize(cut);
    }
    return label;
}

enum GroupId { kPoint = 1, kAnalog = 2, kTrial = 3, kForcePlatform = 4 };

// Platforms a FORCE_PLATFORM group holds: a type 4 platform's calibration
// takes 36 floats of one array, whose data is at most kRecordData bytes.
constexpr std::size_t kMostPlatforms = kRecordData / (36 * 4);

std::uint8_t Dim(std::size_t count) { return static_cast<std::uint8_t>(count); }

// The channels of ANALOG. Their values are written as floats already
// scaled: SCALE 1, OFFSET 0 and GEN_SCALE 1, so a value reads back as the
// float nearest the one given, whatever the scaling of the file it came
// from.
void AnalogParams(ParamSection& params, const C3DAnalog& analog) {
    const std::size_t channels = analog.channels.size();
    std::vector<std::string> labels, descriptions, units;
    for (const AnalogChannel& channel : analog.channels) {
        labels.push_back(Label(channel.label));
        descriptions.push_back(Label(channel.description));
        units.push_back(Label(channel.units));
    }
    params.Int(kAnalog, "USED", static_cast<std::uint16_t>(channels));
    params.Texts(kAnalog, "LABELS", labels);
    params.Texts(kAnalog, "DESCRIPTIONS", descriptions);
    params.Texts(kAnalog, "UNITS", units);
    params.FloatList(kAnalog, "SCALE", std::vector<float>(channels, 1.0f));
    for (std::size_t from = 0, part = 1; from < channels; from += kPerParam, ++part) {
        const std::size_t count = std::min(kPerParam, channels - from);
        params.Ints(kAnalog, part == 1 ? "OFFSET" : "OFFSET" + std::to_string(part), {Dim(count)},
                    std::vector<std::int16_t>(count, 0));
    }
    params.Float(kAnalog, "GEN_SCALE", 1.0f);
    params.Float(kAnalog, "RATE", static_cast<float>(analog.rate));
    params.Text(kAnalog, "FORMAT", "SIGNED");
}

// The platforms of FORCE_PLATFORM, each with the channel count of the one
// with most (missing channels 0), a calibration for every one when any is
// of type 4, and COP polynomials when any has one.
void PlatformParams(ParamSection& params, std::vector<ForcePlatform> platforms) {
    if (platforms.size() > kMostPlatforms) platforms.resize(kMostPlatforms);
    const std::size_t count = platforms.size();
    std::size_t channelsEach = 1, terms = 0;
    bool calibrated = false;
    for (const ForcePlatform& platform : platforms) {
        channelsEach = std::max(channelsEach, platform.channels.size());
        terms = std::max(terms, platform.copPolynomial.size());
        calibrated = calibrated || platform.type == 4;
    }
    channelsEach = std::min(channelsEach, kPerParam);
    terms = std::min(terms, kPerParam);
    std::vector<std::int16_t> types, channels;
    std::vector<float> corners, origins, calibration, polynomials;
    for (const ForcePlatform& platform : platforms) {
        types.push_back(static_cast<std::int16_t>(platform.type));
        for (const Vec3d& corner : platform.corners) {
            for (const double value : corner) corners.push_back(static_cast<float>(value));
        }
        for (const double value : platform.origin) origins.push_back(static_cast<float>(value));
        for (std::size_t k = 0; k < channelsEach; ++k) {
            const std::uint32_t channel = k < platform.channels.size() ? platform.channels[k] : 0;
            channels.push_back(static_cast<std::int16_t>(std::min<std::uint32_t>(channel, 0x7fff)));
        }
        for (std::size_t k = 0; k < 36; ++k) {
            calibration.push_back(k < platform.calibration.size() ? static_cast<float>(platform.calibration[k]) : 0.0f);
        }
        for (std::size_t k = 0; k < terms; ++k) {
            polynomials.push_back(k < platform.copPolynomial.size() ? static_cast<float>(platform.copPolynomial[k]) : 0.0f);
        }
    }
    params.Group(kForcePlatform, "FORCE_PLATFORM");
    params.Int(kForcePlatform, "USED", static_cast<std::uint16_t>(count));
    params.Ints(kForcePlatform, "TYPE", {Dim(count)}, types);
    params.Floats(kForcePlatform, "CORNERS", {3, 4, Dim(count)}, corners);
    params.Floats(kForcePlatform, "ORIGIN", {3, Dim(count)}, origins);
    params.Ints(kForcePlatform, "CHANNEL", {Dim(channelsEach), Dim(count)}, channels);
    if (calibrated) params.Floats(kForcePlatform, "CAL_MATRIX", {6, 6, Dim(count)}, calibration);
    const std::array<std::int32_t, 2> zero = platforms.empty() ? std::array<std::int32_t, 2>{} : platforms[0].zero;
    params.Ints(kForcePlatform, "ZERO", {2},
                {static_cast<std::int16_t>(zero[0]), static_cast<std::int16_t>(zero[1])});
    // Twelve terms a platform are the x and y sixes of the plate maker's
    // correction, laid out as six by two.
    if (terms == 12) {
        params.Floats(kForcePlatform, "FPCOPPOLY", {6, 2, Dim(count)}, polynomials);
    } else if (terms > 0) {
        params.Floats(kForcePlatform, "FPCOPPOLY", {Dim(terms), Dim(count)}, polynomials);
    }
}

}  // namespace

void C3DStream::SetAnalog(const C3DAnalog& analog, const std::vector<ForcePlatform>& platforms) {
    analog_.rate = analog.rate;
    analog_.samplesPerFrame = analog.samplesPerFrame;
    analog_.channels = analog.samplesPerFrame != 0 ? analog.channels : std::vector<AnalogChannel>{};
    analogValues_ = analog_.samplesPerFrame * analog_.channels.size();
    platforms_ = platforms;
}

bool C3DStream::Begin(const TRCFile& trc, std::int64_t frames) {
    refusal_ = kC3dTooManyMarkers;
    if (trc.GetNumMarkers() > 0xffff) return false;
    markers_ = trc.GetNumMarkers();
    frames_ = frames >= 0 ? frames
                          : (trc.GetNumFrames() > 0 ? trc.GetNumFrames() : std::int64_t{trc.GetNumRows()});
    // Frame numbers start at 1 at the least: the file's fields are unsigned.
    const std::int64_t first = std::max<std::int64_t>(trc.GetStartFrame(), 1);
    const std::int64_t last = first + frames_ - 1;
    const float rate = static_cast<float>(trc.GetDataRate());

    std::vector<std::string> labels, descriptions(markers_);
    for (std::uint32_t m = 0; m < markers_; ++m) labels.push_back(Label(trc.GetMarker(m)->GetName()));

    // The parameter section for a data section from `dataBlock`, with the
    // analog channels and platforms or without them.
    auto parameterSection = [&](std::uint16_t dataBlock, bool withAnalog) {
        ParamSection params;
        params.Group(kPoint, "POINT");
        params.Int(kPoint, "USED", static_cast<std::uint16_t>(markers_));
        params.Texts(kPoint, "LABELS", labels);
        params.Texts(kPoint, "DESCRIPTIONS", descriptions);
        params.Text(kPoint, "UNITS", CalibrationUnitsKeyword(trc.GetUnits()));
        params.Float(kPoint, "RATE", rate);
        params.Float(kPoint, "SCALE", -1.0f);
        params.Int(kPoint, "DATA_START", dataBlock);
        if (frames_ <= 0xffff) {
            params.Int(kPoint, "FRAMES", static_cast<std::uint16_t>(frames_));
        } else {
            params.Float(kPoint, "FRAMES", static_cast<float>(frames_));
            params.Float(kPoint, "LONG_FRAMES", static_cast<float>(frames_));
        }
        params.Group(kAnalog, "ANALOG");
        if (withAnalog && analogValues_ != 0) {
            AnalogParams(params, analog_);
        } else {
            params.Int(kAnalog, "USED", 0);
            params.Float(kAnalog, "RATE", rate);
        }
        params.Group(kTrial, "TRIAL");
        std::string start, end;
        AppendU16(start, static_cast<std::uint16_t>(first & 0xffff));
        AppendU16(start, static_cast<std::uint16_t>((first >> 16) & 0xffff));
        AppendU16(end, static_cast<std::uint16_t>(std::max(last, first - 1) & 0xffff));
        AppendU16(end, static_cast<std::uint16_t>((std::max(last, first - 1) >> 16) & 0xffff));
        params.Param(kTrial, "ACTUAL_START_FIELD", 2, {2}, start);
        params.Param(kTrial, "ACTUAL_END_FIELD", 2, {2}, end);
        if (withAnalog && !platforms_.empty()) PlatformParams(params, platforms_);
        return params.Blocks();
    };
    // The data start depends on the section's length, which depends on the
    // data start's value only through a fixed-size word: built twice.
    std::string section;
    std::uint16_t dataBlock = 0;
    for (int pass = 0; pass < 2; ++pass) {
        section = parameterSection(dataBlock, true);
        if (section.size() > kMostParamBlocks * kBlock) {
            // The markers' labels alone, or what the channels and platforms add.
            refusal_ = parameterSection(dataBlock, false).size() > kMostParamBlocks * kBlock
                           ? kC3dTooManyMarkers
                           : kC3dTooManyChannels;
            return false;
        }
        dataBlock = static_cast<std::uint16_t>(2 + section.size() / kBlock);
    }

    std::string header(kBlock, '\0');
    header[0] = 2;
    header[1] = 0x50;
    PutU16(header, 2, static_cast<std::uint16_t>(markers_));
    PutU16(header, 4, Capped16(static_cast<std::int64_t>(analogValues_)));
    PutU16(header, 6, Capped16(first));
    PutU16(header, 8, Capped16(frames_ > 0 ? last : 0));
    const float scale = -1.0f;
    std::memcpy(&header[12], &scale, 4);
    PutU16(header, 16, dataBlock);
    std::memcpy(&header[20], &rate, 4);
    PutU16(header, 18, Capped16(analog_.samplesPerFrame));

    file_.Write(header);
    file_.Write(section);
    written_ = header.size() + section.size();
    buffer_.reserve(kFlushBytes + FrameBytes());
    return true;
}

void C3DStream::Row(const TRCRow& row, std::span<const double> analog) {
    if (static_cast<std::int64_t>(rows_) >= frames_) return;
    ++rows_;
    const std::size_t at = buffer_.size();
    buffer_.resize(at + FrameBytes());
    char* out = buffer_.data() + at;
    for (std::uint32_t m = 0; m < markers_; ++m, out += 16) {
        const TRCSample& sample = m < row.size() ? row[m] : TRCSample{};
        const float v[4] = {sample.valid ? static_cast<float>(sample.x) : 0.0f,
                            sample.valid ? static_cast<float>(sample.y) : 0.0f,
                            sample.valid ? static_cast<float>(sample.z) : 0.0f,
                            sample.valid ? 0.0f : -1.0f};
        std::memcpy(out, v, sizeof v);
    }
    for (std::size_t i = 0; i < analogValues_; ++i, out += 4) {
        const float value = i < analog.size() ? static_cast<float>(analog[i]) : 0.0f;
        std::memcpy(out, &value, 4);
    }
    if (buffer_.size() >= kFlushBytes) Flush();
}

std::size_t C3DStream::FrameBytes() const { return 16 * std::size_t{markers_} + 4 * analogValues_; }

void C3DStream::Finish() {
    const TRCSample dropout{};
    while (static_cast<std::int64_t>(rows_) < frames_) {
        Row(TRCRow(std::span<const TRCSample>(), dropout, markers_));
    }
    Flush();
    if (written_ % kBlock != 0) {
        const std::string pad(kBlock - written_ % kBlock, '\0');
        file_.Write(pad);
        written_ += pad.size();
    }
}

void C3DStream::Flush() {
    if (buffer_.empty()) return;
    file_.Write(std::string_view(buffer_.data(), buffer_.size()));
    written_ += buffer_.size();
    buffer_.clear();
}

std::wstring WriteC3DFile(const std::wstring& path, const TRCFile& markers) {
    if (markers.GetNumMarkers() > 0xffff) return kC3dTooManyMarkers;
    try {
        int error = 0;
        const std::unique_ptr<TextOutput> output = TextFiles().CreateOutput(path, error);
        if (!output) return kFileNotOpened;
        C3DStream stream(*output);
        if (!stream.Begin(markers)) {
            output->Discard();
            return stream.Refusal();
        }
        std::vector<TRCSample> row(markers.GetNumMarkers());
        for (std::int64_t f = 0; f < stream.Frames() && !output->Failed(); ++f) {
            for (std::uint32_t m = 0; m < markers.GetNumMarkers(); ++m) {
                TRCSample& sample = row[m];
                sample.valid = markers.GetMarker(m)->GetPosition(static_cast<std::uint32_t>(f),
                                                                 sample.x, sample.y, sample.z);
            }
            stream.Row(TRCRow(row, TRCSample{}, row.size()));
        }
        stream.Finish();
        if (output->Failed() || !output->Commit()) return kNotWritten;
        return std::wstring();
    } catch (const std::bad_alloc&) {
        return kWriteOutOfMemory;
    }
}

}  // namespace tovfileio
