// ReadC3DFile: the header block, the parameter section (read whole: at most
// 255 blocks), then the frames of the data section a piece at a time. Every
// count the file gives is held to what the file's size can hold before
// anything is sized by it.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "C3DAnalogReader.h"
#include "C3DParams.h"
#include "tovfileio/text/ProcessMemory.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

// Adds markers whose names the reader has made distinct, without the
// model's search for a marker of the same name (a file may name 65,535).
class C3DMarkers {
public:
    static void Add(TRCFile& file, std::wstring name) { file.markers_.emplace_back(std::move(name)); }
};

namespace {

using c3dbytes::Processor;
using c3dread::Clamped;
using c3dread::Param;
using c3dread::Params;
using c3dread::TrimEnd;
using c3dread::Upper;

constexpr std::uint64_t kBlock = 512;
// Bytes of frames read at a time (at least one frame).
constexpr std::uint64_t kChunkBytes = std::uint64_t{1} << 20;

// The bytes of a C3D file, read at any offset.
class Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t Size() const = 0;
    // True when all `n` bytes at `offset` were read.
    virtual bool Read(std::uint64_t offset, unsigned char* into, std::size_t n) = 0;
};

class MemorySource : public Source {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, unsigned char* into, std::size_t n) override {
        if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
        std::memcpy(into, bytes_.data() + offset, n);
        return true;
    }

private:
    std::string_view bytes_;
};

class FileSource : public Source {
public:
    explicit FileSource(std::FILE* file) : file_(file) {
        struct stat info {};
        if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
            size_ = static_cast<std::uint64_t>(info.st_size);
        }
    }
    ~FileSource() override { std::fclose(file_); }
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, unsigned char* into, std::size_t n) override {
        if (offset > size_ || n > size_ - offset) return false;
        if (offset != at_ && ::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
            return false;
        }
        const std::size_t got = std::fread(into, 1, n, file_);
        at_ = offset + got;
        return got == n;
    }

private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
    std::uint64_t at_ = 0;
};


// A file the reader refuses: its message and its finding.
struct Refusal {
    std::wstring message;
    ReadFinding finding;
};

ReadFinding C3dFinding(ReadFindingCode code, ReadFinding::Effect effect, std::string found = {},
                       std::uint64_t count = 1) {
    ReadFinding finding = MakeFinding(FileKind::kC3d, code, effect, 0, 0, std::move(found));
    finding.count = count;
    return finding;
}

Refusal Damaged(std::uint64_t offset, const std::string& what) {
    Refusal refusal{kC3dDamaged + DecodeUtf8(what),
                    C3dFinding(ReadFindingCode::kC3dDamaged, ReadFinding::Effect::kRefusal, what)};
    refusal.finding.column = offset + 1;
    return refusal;
}

// Keeps every frame in the markers of the model.
class StoredRows : public TRCRowSink {
public:
    StoredRows(TRCFile& file, std::uint64_t reserve) : file_(file), reserve_(reserve) {}
    bool Begin(const TRCFile& /*file*/) override {
        for (std::uint32_t m = 0; m < file_.GetNumMarkers(); ++m) {
            markers_.push_back(file_.GetMarker(m));
            markers_.back()->ReserveSamples(static_cast<std::size_t>(reserve_));
        }
        return true;
    }
    bool Row(const TRCRow& row) override {
        for (std::size_t m = 0; m < markers_.size(); ++m) markers_[m]->AddSample(row[m]);
        return true;
    }

private:
    TRCFile& file_;
    std::uint64_t reserve_;
    std::vector<TRCMarker*> markers_;
};

// The point words of one 16-bit frame at `at`, each widened and scaled
// into `wide` in one flat loop the compiler turns into vector code.
template <Processor kProcessor>
void WidenPointWords(const unsigned char* at, std::size_t words, double scale, double* __restrict wide) {
    for (std::size_t w = 0; w < words; ++w) wide[w] = c3dbytes::I16(kProcessor, at + 2 * w) * scale;
}

// Decodes `frames` frames of `points` points at `bytes` (each frame
// `frameBytes` long) and hands each to `sink`; false when the sink stops.
// `wide` is room for a 16-bit frame's words.
template <Processor kProcessor, bool kFloat>
bool DecodeFrames(const unsigned char* bytes, std::uint64_t frames, std::uint64_t frameBytes,
                  double scale, std::vector<TRCSample>& row, std::vector<double>& wide, TRCRowSink& sink) {
    const std::size_t points = row.size();
    if constexpr (!kFloat) wide.resize(points * 4);
    for (std::uint64_t f = 0; f < frames; ++f) {
        const unsigned char* at = bytes + f * frameBytes;
        if constexpr (!kFloat) WidenPointWords<kProcessor>(at, points * 4, scale, wide.data());
        for (std::size_t m = 0; m < points; ++m) {
            TRCSample& sample = row[m];
            if constexpr (kFloat) {
                float v[4];
                if constexpr (kProcessor == Processor::kIntel) {
                    std::memcpy(v, at, sizeof v);
                } else {
                    for (int i = 0; i < 4; ++i) v[i] = c3dbytes::F32(kProcessor, at + 4 * i);
                }
                at += 16;
                sample.valid = !(v[3] < 0.0f);
                sample.x = sample.valid ? v[0] : 0.0;
                sample.y = sample.valid ? v[1] : 0.0;
                sample.z = sample.valid ? v[2] : 0.0;
            } else {
                // The fourth word: camera mask in the high byte, residual in
                // the low; negative as a whole for a dropout.
                sample.valid = c3dbytes::I16(kProcessor, at + 8 * m + 6) >= 0;
                const double* xyz = wide.data() + 4 * m;
                sample.x = sample.valid ? xyz[0] : 0.0;
                sample.y = sample.valid ? xyz[1] : 0.0;
                sample.z = sample.valid ? xyz[2] : 0.0;
            }
        }
        if (!sink.Row(TRCRow(row, TRCSample{}, points))) return false;
    }
    return true;
}

using Decoder = bool (*)(const unsigned char*, std::uint64_t, std::uint64_t, double,
                         std::vector<TRCSample>&, std::vector<double>&, TRCRowSink&);

Decoder DecoderFor(Processor processor, bool isFloat) {
    switch (processor) {
        case Processor::kIntel:
            return isFloat ? DecodeFrames<Processor::kIntel, true>
                           : DecodeFrames<Processor::kIntel, false>;
        case Processor::kDec:
            return isFloat ? DecodeFrames<Processor::kDec, true> : DecodeFrames<Processor::kDec, false>;
        default:
            return isFloat ? DecodeFrames<Processor::kMips, true>
                           : DecodeFrames<Processor::kMips, false>;
    }
}

// The first frame and the frame count: TRIAL's 32-bit fields, then
// POINT:LONG_FRAMES, POINT:FRAMES (float past 65,535), then the header's
// first and last frame words.
struct FrameRange {
    std::uint64_t first = 0;
    std::uint64_t frames = 0;
    const char* givenBy = "the header";  // what gives the frame count
};
FrameRange FramesOf(const Params& params, std::uint64_t headerFirst, std::uint64_t headerLast) {
    FrameRange range{headerFirst, headerLast >= headerFirst ? headerLast - headerFirst + 1 : 0};
    if (const Param* frameCount = params.Find("POINT:FRAMES")) {
        range.frames = Clamped(params.Count(frameCount).value_or(double(range.frames)), 0xffffffff);
        range.givenBy = "POINT:FRAMES";
    }
    if (const Param* longFrames = params.Find("POINT:LONG_FRAMES")) {
        range.frames =
            Clamped(params.Number(longFrames).value_or(double(range.frames)), 0xffffffff);
        range.givenBy = "POINT:LONG_FRAMES";
    }
    const Param* trialStart = params.Find("TRIAL:ACTUAL_START_FIELD");
    const Param* trialEnd = params.Find("TRIAL:ACTUAL_END_FIELD");
    if (trialStart != nullptr && trialEnd != nullptr && trialStart->type == 2 &&
        trialEnd->type == 2 && trialStart->Count() >= 2 && trialEnd->Count() >= 2) {
        const std::uint64_t start = static_cast<std::uint64_t>(*params.Count(trialStart, 0)) +
                                    (static_cast<std::uint64_t>(*params.Count(trialStart, 1)) << 16);
        const std::uint64_t end = static_cast<std::uint64_t>(*params.Count(trialEnd, 0)) +
                                  (static_cast<std::uint64_t>(*params.Count(trialEnd, 1)) << 16);
        if (end >= start) return {start, end - start + 1, "TRIAL:ACTUAL_START_FIELD and END_FIELD"};
    }
    return range;
}

// Whether `frames` frames of `frameBytes` bytes fill a data section of
// `dataBytes`: the section ends in the block the last frame ends in.
bool FillsDataSection(std::uint64_t frames, std::uint64_t frameBytes, std::uint64_t dataBytes) {
    if (frameBytes == 0 || dataBytes / frameBytes < frames) return false;
    const std::uint64_t used = frames * frameBytes;
    return dataBytes <= (used + kBlock - 1) / kBlock * kBlock;
}

// The analog samples of a channel in a frame: ANALOG:RATE over the points'
// rate when it is whole, else the header's count.
std::uint64_t SamplesPerFrame(const Params& params, double pointRate, std::uint64_t headerSamples) {
    const std::optional<double> analogRate = params.Number(params.Find("ANALOG:RATE"));
    if (analogRate && pointRate > 0) {
        const double ratio = *analogRate / pointRate;
        if (ratio >= 1 && std::abs(ratio - std::round(ratio)) < 1e-3) {
            return Clamped(std::round(ratio), 0xffff);
        }
    }
    return headerSamples;
}

// The analog values between one frame's points and the next's.
struct AnalogBlock {
    std::uint64_t channels = 0;
    std::uint64_t values = 0;
    // Set when the header's count differs from what the parameters give.
    std::optional<findingdetail::C3dAnalogValues> differs;
};

// What sizes a frame besides its analog values.
struct FrameLayout {
    std::uint64_t points = 0;
    std::uint64_t wordBytes = 0;
    std::uint64_t frames = 0;     // the frame count the file gives
    std::uint64_t dataBytes = 0;  // from the data section's start to the file's end
};

// What the parameters give (ANALOG:USED channels of SamplesPerFrame
// samples) when the data section's size bears it out for the frame count,
// else the header's count when it does, else the parameters' again.
AnalogBlock SizeAnalogBlock(const Params& params, double pointRate, std::uint64_t headerValues,
                            std::uint64_t headerSamples, const FrameLayout& layout) {
    const std::optional<double> used = params.Count("ANALOG:USED");
    if (!used) return {headerSamples != 0 ? headerValues / headerSamples : 0, headerValues, {}};
    const std::uint64_t channels = Clamped(*used, 0xffff);
    const std::uint64_t samples = SamplesPerFrame(params, pointRate, headerSamples);
    const std::uint64_t values = channels * samples;
    if (samples == 0 || values == headerValues) return {channels, headerValues, {}};
    auto fills = [&](std::uint64_t analog) {
        return FillsDataSection(layout.frames, (layout.points * 4 + analog) * layout.wordBytes,
                                layout.dataBytes);
    };
    const bool paramsFill = fills(values);
    const bool headerFills = !paramsFill && fills(headerValues);
    const std::uint64_t read = headerFills ? headerValues : values;
    return {channels, read,
            findingdetail::C3dAnalogValues{headerValues, channels, samples, read,
                                           paramsFill || headerFills}};
}

class C3DReader {
public:
    C3DReader(Source& source, TRCFile& into, const C3DReadOptions& options)
        : source_(source), into_(into), options_(options) {}

    std::wstring Run();

private:
    std::wstring Refuse(const Refusal& refusal) {
        Tell(refusal.finding);
        return refusal.message;
    }
    void Tell(const ReadFinding& finding) {
        if (options_.findings != nullptr) options_.findings->Found(finding);
    }
    // Names the markers of `points` points and returns how many there are:
    // every point with a label, and the others up to `most`.
    std::uint64_t NameMarkers(const Params& params, std::uint64_t points, std::uint64_t most);
    // The points' rate as the file gives it.
    double ReadUnitsAndRate(const Params& params, float headerRate);
    // Where the points' frames lie and how they read.
    struct PointData {
        Processor processor;
        bool isFloat = false;
        double scale = 1.0;
        std::uint64_t points = 0;
        std::uint64_t start = 0;       // the byte the first frame starts at
        std::uint64_t frameBytes = 0;  // points and analog values of a frame
        std::uint64_t rows = 0;        // frames read: as given, up to what the file holds
        std::uint64_t frames = 0;      // frames the data section holds, with points or without
        std::int64_t firstFrame = 0;   // the number the file gives the first frame
    };
    // Hands every row to the caller's sink, or keeps them in the markers
    // within the memory limit.
    std::wstring ReadRows(const PointData& data);
    // Whether the kept rows and analog samples fit the memory limit.
    bool FitsMemory(const PointData& data) const;
    // Decodes the analog blocks of `count` frames from frame `first`: from
    // `chunk` when it holds them whole, else read a piece at a time. An
    // empty string, or the refusal's message.
    std::wstring ReadAnalogBlocks(const PointData& data, const unsigned char* chunk,
                                  std::uint64_t first, std::uint64_t count);
    // The channels and force platforms the caller asked for.
    void ReadAnalogParams(const Params& params, Processor processor, bool isFloat,
                          std::uint64_t channels, std::uint64_t values, double pointRate,
                          std::uint64_t size);
    void TellShortParams(const Params& params);
    // The take from the parameters and the header's words: markers, rate,
    // frames, then its rows.
    std::wstring ReadTake(const Params& params, const unsigned char* header, Processor processor,
                          std::uint64_t size);
    // The frames the data section's `dataBytes` hold, up to the count the
    // file gives (frames past it are taken for padding).
    std::uint64_t FramesHeld(const FrameRange& range, std::uint64_t frameBytes,
                             std::uint64_t dataBytes);

    Source& source_;
    TRCFile& into_;
    const C3DReadOptions& options_;
    std::optional<c3dread::AnalogSamples> analog_;  // set when the caller reads the analog channels
    std::vector<unsigned char> analogPiece_;        // of a frame too long to read whole
};

std::uint64_t C3DReader::NameMarkers(const Params& params, std::uint64_t points,
                                     std::uint64_t most) {
    const std::vector<std::string_view> labels = c3dread::Texts(params, "POINT:LABELS", points);
    const std::uint64_t markers = std::min(points, std::max<std::uint64_t>(labels.size(), most));
    c3dread::DistinctNames named = c3dread::NamesFromLabels(labels, markers, L"Point");
    for (std::wstring& name : named.names) C3DMarkers::Add(into_, std::move(name));
    if (named.renamed != 0) {
        Tell(C3dFinding(ReadFindingCode::kC3dLabelsRenamed, ReadFinding::Effect::kMisread,
                        EncodeUtf8(named.firstRenamed), named.renamed));
    }
    return markers;
}

double C3DReader::ReadUnitsAndRate(const Params& params, float headerRate) {
    const Param* units = params.Find("POINT:UNITS");
    std::string_view unitText;
    if (units != nullptr && units->type == -1) unitText = TrimEnd(units->data);
    std::optional<CalibrationUnits> known = KnownCalibrationUnits(unitText);
    if (!known) known = KnownCalibrationUnits<char>(Upper(unitText));
    into_.SetUnits(known.value_or(kUnitsMillimetres));
    into_.SetUnitsStated(known.has_value());
    if (!known) {
        Tell(C3dFinding(ReadFindingCode::kC3dUnitUnknown, ReadFinding::Effect::kMisread,
                        std::string(unitText)));
    }

    const double rate = params.Number(params.Find("POINT:RATE")).value_or(headerRate);
    const double whole = std::isfinite(rate) ? std::round(rate) : 0.0;
    const auto readAs = static_cast<std::int32_t>(Clamped(whole, 0x7fffffff));
    into_.SetDataRate(readAs);
    into_.SetCameraRate(readAs);  // a C3D file gives one rate for its points
    if (rate != static_cast<double>(readAs)) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", rate);
        Tell(C3dFinding(ReadFindingCode::kC3dRateNotWhole, ReadFinding::Effect::kMisread, text));
    }
    return rate;
}

std::wstring C3DReader::Run() {
    into_.Reset();
    if (options_.analog != nullptr) *options_.analog = C3DAnalog{};
    if (options_.platforms != nullptr) options_.platforms->clear();
    const std::uint64_t size = source_.Size();
    if (size == 0) {
        Tell(C3dFinding(ReadFindingCode::kEmpty, ReadFinding::Effect::kRefusal));
        return kC3dNotC3d;
    }
    unsigned char header[kBlock] = {};
    const bool wholeHeader = source_.Read(0, header, std::min<std::uint64_t>(size, kBlock)) &&
                             size >= kBlock;
    if (size < 2 || header[1] != 0x50) {
        char found[16];
        std::snprintf(found, sizeof found, size < 2 ? "%02X" : "%02X %02X", header[0], header[1]);
        return Refuse({kC3dNotC3d, C3dFinding(ReadFindingCode::kC3dNotC3d,
                                              ReadFinding::Effect::kRefusal, found)});
    }
    if (!wholeHeader) return Refuse(Damaged(size, "the file ends inside its header block"));
    if (header[0] < 2) {
        return Refuse(Damaged(0, "the header gives block " + std::to_string(header[0]) +
                                     " for the parameter section, which starts at block 2 or later"));
    }
    const std::uint64_t paramStart = (header[0] - std::uint64_t{1}) * kBlock;
    unsigned char paramHead[4];
    if (!source_.Read(paramStart, paramHead, 4)) {
        return Refuse(Damaged(paramStart, "the parameter section starts past the end of the file"));
    }
    const int processorByte = paramHead[3];
    if (processorByte < 84 || processorByte > 86) {
        return Refuse(Damaged(paramStart + 3, "the processor type " + std::to_string(processorByte) +
                                                  " is not 84 (Intel), 85 (DEC) or 86 (MIPS)"));
    }
    const auto processor = static_cast<Processor>(processorByte);
    // The section's own block count, held to the file; a section cut short
    // shows as a parameter that runs past it.
    const std::uint64_t paramBytes =
        std::min<std::uint64_t>(std::max<std::uint64_t>(paramHead[2], 1) * kBlock, size - paramStart);
    std::string section(paramBytes, '\0');
    source_.Read(paramStart, reinterpret_cast<unsigned char*>(section.data()), paramBytes);
    Params params(processor);
    if (const std::optional<c3dread::ParamDamage> damage = params.Parse(section, paramStart)) {
        return Refuse(Damaged(damage->offset, damage->what));
    }
    TellShortParams(params);
    return ReadTake(params, header, processor, size);
}

void C3DReader::TellShortParams(const Params& params) {
    const std::vector<std::string>& names = params.ShortNames();
    if (names.empty()) return;
    const Param& first = *params.Find(names.front());
    ReadFinding finding =
        C3dFinding(ReadFindingCode::kC3dParameterShort, ReadFinding::Effect::kMisread,
                   std::to_string(first.asked), names.size());
    finding.detail =
        findingdetail::HeaderReadAs{names.front(), static_cast<std::int64_t>(first.Count())};
    Tell(finding);
}

std::wstring C3DReader::ReadTake(const Params& params, const unsigned char* header,
                                 Processor processor, std::uint64_t size) {
    // The header's words, in the file's byte order.
    auto word = [&](int n) { return c3dbytes::U16(processor, header + 2 * (n - 1)); };
    const float headerScale = c3dbytes::F32(processor, header + 12);
    const float headerRate = c3dbytes::F32(processor, header + 20);

    const std::uint64_t points = Clamped(params.Count("POINT:USED").value_or(word(2)), 0xffff);
    const double scale = params.Number(params.Find("POINT:SCALE")).value_or(headerScale);
    const bool isFloat = scale < 0;
    const std::uint64_t wordBytes = isFloat ? 4 : 2;
    std::uint64_t dataBlock = Clamped(params.Count("POINT:DATA_START").value_or(0), 0xffff);
    if (dataBlock < 2) dataBlock = word(9);
    if (dataBlock < 2) {
        return Refuse(Damaged(16, "the data section starts at block " + std::to_string(dataBlock) +
                                      ", not after the header"));
    }
    const std::uint64_t dataStart = (dataBlock - 1) * kBlock;
    const FrameRange range = FramesOf(params, word(4), word(5));
    into_.SetStartFrame(
        static_cast<std::int32_t>(std::min<std::uint64_t>(range.first, 0x7fffffff)));

    // A point takes four words of every frame: a file too small for one
    // frame of them holds no frame, and its unlabelled points past what a
    // frame could hold are not made (the count alone would size the take).
    const std::uint64_t markers = NameMarkers(params, points, size / (4 * wordBytes));
    const double rate = ReadUnitsAndRate(params, headerRate);
    const AnalogBlock analog =
        SizeAnalogBlock(params, rate, word(3), word(10),
                        {points, wordBytes, range.frames, dataStart < size ? size - dataStart : 0});
    if (analog.differs) {
        ReadFinding finding = C3dFinding(ReadFindingCode::kC3dAnalogValues,
                                         analog.differs->sizeAgrees ? ReadFinding::Effect::kMisread
                                                                    : ReadFinding::Effect::kShift);
        finding.detail = *analog.differs;
        Tell(finding);
    }
    if (analog.channels != 0 && options_.analog == nullptr) {
        Tell(C3dFinding(ReadFindingCode::kC3dAnalogSkipped, ReadFinding::Effect::kNote, {},
                        analog.channels));
    }
    ReadAnalogParams(params, processor, isFloat, analog.channels, analog.values, rate, size);

    const std::uint64_t frameBytes = (points * 4 + analog.values) * wordBytes;
    const std::uint64_t frames =
        FramesHeld(range, frameBytes, dataStart < size ? size - dataStart : 0);
    into_.SetNumFrames(static_cast<std::int32_t>(std::min<std::uint64_t>(frames, 0x7fffffff)));
    return ReadRows({processor, isFloat, scale, markers, dataStart, frameBytes,
                     markers != 0 ? frames : 0, frames, static_cast<std::int64_t>(range.first)});
}

std::uint64_t C3DReader::FramesHeld(const FrameRange& range, std::uint64_t frameBytes,
                                    std::uint64_t dataBytes) {
    if (frameBytes == 0) return range.frames;
    const std::uint64_t held = std::min(range.frames, dataBytes / frameBytes);
    if (held < range.frames) {
        ReadFinding finding =
            C3dFinding(ReadFindingCode::kC3dFramesMissing, ReadFinding::Effect::kMisread,
                       std::to_string(range.frames), range.frames - held);
        finding.detail =
            findingdetail::HeaderReadAs{range.givenBy, static_cast<std::int64_t>(held)};
        Tell(finding);
    }
    return held;
}

void C3DReader::ReadAnalogParams(const Params& params, Processor processor, bool isFloat,
                                 std::uint64_t channels, std::uint64_t values, double pointRate,
                                 std::uint64_t size) {
    if (options_.platforms != nullptr) {
        *options_.platforms = c3dread::ForcePlatforms(params);
        for (ForcePlatform& platform : *options_.platforms) {
            platform.millimetresPerUnit = MillimetresPerUnit(into_.GetUnits());
        }
    }
    if (options_.analog == nullptr) return;
    *options_.analog =
        c3dread::AnalogChannels(params, channels, values, pointRate, isFloat ? 4 : 2, size);
    analog_.emplace(processor, isFloat, *options_.analog, options_.analogFrames);
}

bool C3DReader::FitsMemory(const PointData& data) const {
    const bool keepsRows = options_.rows == nullptr;
    if (!keepsRows && !analog_) return true;
    const std::uint64_t limit =
        options_.memoryLimit != 0 ? options_.memoryLimit : ProcessMemoryAvailable();
    std::uint64_t rowBytes = 0;
    if (keepsRows) {
        const std::uint64_t budget = limit / sizeof(TRCSample);
        if (data.points != 0 && data.rows > budget / data.points) return false;
        rowBytes = data.rows * data.points * sizeof(TRCSample);
    }
    if (!analog_) return true;
    // Kept samples take every frame's values; a sink's, one frame's at a time.
    const std::uint64_t frames =
        options_.analogFrames == nullptr ? data.frames : std::min<std::uint64_t>(data.frames, 1);
    return frames * analog_->FrameValues() * sizeof(double) <= limit - rowBytes;
}

std::wstring C3DReader::ReadRows(const PointData& data) {
    StoredRows stored(into_, data.rows);
    TRCRowSink& sink = options_.rows != nullptr ? *options_.rows : stored;
    if (!FitsMemory(data)) {
        ReadFinding finding = C3dFinding(ReadFindingCode::kOutOfMemory, ReadFinding::Effect::kRefusal);
        finding.detail = findingdetail::OutOfMemory{.memoryLimit = options_.memoryLimit};
        Tell(finding);
        return kC3dOutOfMemory;
    }
    const bool withAnalog = analog_ && analog_->FrameValues() != 0;
    if (withAnalog) analog_->Reserve(data.frames);
    if (!sink.Begin(into_)) return std::wstring();

    const Decoder decode = DecoderFor(data.processor, data.isFloat);
    std::vector<TRCSample> row(data.points);
    std::vector<double> wide;
    // With analog samples read, every frame the data section holds is read,
    // points or none.
    const std::uint64_t frames = withAnalog ? data.frames : data.rows;
    const std::uint64_t chunkFrames =
        std::max<std::uint64_t>(1, kChunkBytes / std::max<std::uint64_t>(data.frameBytes, 1));
    // A chunk's last frame is read to the end of its points: a frame of many
    // analog values is never read whole. Analog samples read, frames that
    // fit a chunk are read whole, and longer ones' analog values a piece at
    // a time.
    const std::uint64_t pointBytes = data.points * 4 * (data.isFloat ? 4 : 2);
    const bool wholeFrames = withAnalog && data.frameBytes <= kChunkBytes;
    auto chunkBytes = [&](std::uint64_t frames) {
        if (frames == 0) return std::uint64_t{0};
        return wholeFrames ? frames * data.frameBytes : (frames - 1) * data.frameBytes + pointBytes;
    };
    std::vector<unsigned char> chunk(chunkBytes(std::min(chunkFrames, frames)));
    std::uint64_t done = 0;
    while (done < frames) {
        const std::uint64_t count = std::min(chunkFrames, frames - done);
        if (!source_.Read(data.start + done * data.frameBytes, chunk.data(), chunkBytes(count))) {
            into_.SetNumRows(static_cast<std::uint32_t>(std::min(done, data.rows)));
            return Refuse(Damaged(data.start + done * data.frameBytes, "the data section could not be read"));
        }
        const bool goOn =
            data.points == 0 || decode(chunk.data(), count, data.frameBytes, data.scale, row, wide, sink);
        if (withAnalog) {
            const std::wstring refused =
                ReadAnalogBlocks(data, wholeFrames ? chunk.data() : nullptr, done, count);
            if (!refused.empty()) {
                into_.SetNumRows(static_cast<std::uint32_t>(std::min(done, data.rows)));
                return refused;
            }
        }
        done += count;
        if (!goOn) break;
    }
    into_.SetNumRows(static_cast<std::uint32_t>(std::min(done, data.rows)));
    return std::wstring();
}

std::wstring C3DReader::ReadAnalogBlocks(const PointData& data, const unsigned char* chunk,
                                         std::uint64_t first, std::uint64_t count) {
    const std::uint64_t pointBytes = data.points * 4 * (data.isFloat ? 4 : 2);
    const std::uint64_t samples = options_.analog->samplesPerFrame;
    const std::uint64_t sampleBytes = analog_->SampleBytes();
    const std::uint64_t piece = std::max<std::uint64_t>(1, kChunkBytes / sampleBytes);
    for (std::uint64_t f = 0; f < count; ++f) {
        std::uint64_t at = data.start + (first + f) * data.frameBytes + pointBytes;
        if (chunk != nullptr) {
            analog_->Add(chunk + f * data.frameBytes + pointBytes, samples);
        } else {
            analogPiece_.resize(std::min(piece, samples) * sampleBytes);
            for (std::uint64_t s = 0; s < samples;) {
                const std::uint64_t n = std::min(piece, samples - s);
                if (!source_.Read(at, analogPiece_.data(), n * sampleBytes)) {
                    return Refuse(Damaged(at, "the data section could not be read"));
                }
                analog_->Add(analogPiece_.data(), n);
                at += n * sampleBytes;
                s += n;
            }
        }
        analog_->EndFrame(data.firstFrame + static_cast<std::int64_t>(first + f));
    }
    return std::wstring();
}

std::wstring ReadFrom(Source& source, TRCFile& into, const C3DReadOptions& options) {
    into.SetMemoryLimit(options.memoryLimit);
    try {
        return C3DReader(source, into, options).Run();
    } catch (const std::bad_alloc&) {
        into.Reset();
        if (options.analog != nullptr) *options.analog = C3DAnalog{};
        if (options.platforms != nullptr) options.platforms->clear();
        if (options.findings != nullptr) {
            ReadFinding finding = C3dFinding(ReadFindingCode::kOutOfMemory, ReadFinding::Effect::kRefusal);
            finding.detail = findingdetail::OutOfMemory{.memoryLimit = options.memoryLimit};
            options.findings->Found(finding);
        }
        return kC3dOutOfMemory;
    }
}

}  // namespace

std::wstring ReadC3DMemory(std::string_view bytes, TRCFile& into, const C3DReadOptions& options) {
    MemorySource source(bytes);
    return ReadFrom(source, into, options);
}

std::wstring ReadC3DFile(std::string_view utf8Path, TRCFile& into, const C3DReadOptions& options) {
    const std::string nativePath = WideToPath(PathToWide(utf8Path));
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (file == nullptr) {
        const int error = errno;
        into.Reset();
        if (options.findings != nullptr) {
            ReadFinding finding = C3dFinding(ReadFindingCode::kCannotOpen, ReadFinding::Effect::kRefusal);
            finding.detail = findingdetail::CannotOpen{.error = error, .pathTried = nativePath};
            options.findings->Found(finding);
        }
        return kFileNotOpened;
    }
    FileSource source(file);
    return ReadFrom(source, into, options);
}

}  // namespace tovfileio
