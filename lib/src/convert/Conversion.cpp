#include "tovfileio/convert/Conversion.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "AnalogConversion.h"
#include "ConversionSteps.h"
#include "MarkerOutputs.h"
#include "RowTransform.h"
#include "SkeletonMarkers.h"
#include "tovfileio/convert/SkeletonTurn.h"
#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {
namespace {


std::string UnitsName(CalibrationUnits units) { return CalibrationUnitsKeyword(units); }

// The up axis the output is to stand along: as asked, else its kind's
// convention; a CSV file keeps its source's.
UpAxis OutputUp(const ConversionRequest& request, UpAxis from) {
    if (request.up) return *request.up;
    return KindInfo(request.outKind).up.value_or(from);
}

// How rows are turned before the writer: a GWM writer turns Y-up rows to
// Z-up itself, so it is given Y-up rows.
AxisTurn TurnBetween(UpAxis from, UpAxis to, FileKind outKind) {
    const UpAxis written = outKind == FileKind::kGwm ? UpAxis::kY : to;
    if (from == written) return AxisTurn::kNone;
    return from == UpAxis::kY ? AxisTurn::kYUpToZUp : AxisTurn::kZUpToYUp;
}

void NoteTurns(ConversionResult& result, UpAxis from, UpAxis to,
               std::optional<CalibrationUnits> fromUnits, std::optional<CalibrationUnits> toUnits) {
    if (from != to) {
        result.notes.push_back(std::string("positions turned from ") + UpAxisName(from) + " to " +
                               UpAxisName(to));
    }
    if (fromUnits && toUnits && *fromUnits != *toUnits) {
        result.notes.push_back("lengths converted from " + UnitsName(*fromUnits) + " to " +
                               UnitsName(*toUnits));
    }
}

void NoteUnitsAssumed(ConversionResult& result, CalibrationUnits units) {
    result.notes.push_back("lengths read as " + UnitsName(units) + ": the file states no units");
}

// Ends a marker output and puts the file in place.
void FinishOutput(MarkerOutput& output, TextOutput& file, ConversionResult& result) {
    if (std::wstring refused = output.Finish(); !refused.empty()) {
        result.writeMessage = std::move(refused);
        file.Discard();
        return;
    }
    CommitOutput(file, result);
}

// The header's frame count against the frames held, as `choice` asks; the
// refusal when the header claims more than padding may add.
std::optional<std::int64_t> FramesToWrite(std::int64_t claimed, std::int64_t held,
                                          FrameChoice choice, std::wstring& refusal) {
    if (choice == FrameChoice::kHeld) return held;
    claimed = std::max<std::int64_t>(claimed, 0);
    if (choice == FrameChoice::kHeaderAnyway) return claimed;
    if (ClaimsTooManyFrames(static_cast<std::uint64_t>(claimed), static_cast<std::uint64_t>(held))) {
        refusal = L"The header gives " + std::to_wstring(claimed) + L" frames but the file holds " +
                  std::to_wstring(held) + L": padding would add " + std::to_wstring(claimed - held) +
                  L" frames the file does not have";
        return std::nullopt;
    }
    return claimed;
}

// Hands the take on with the frame count to write, and counts what passes,
// for the result.
class FramesWritten : public TRCRowSink {
public:
    // `held`: the frames the file holds when known before the read; else
    // the take's own frame count is taken as held.
    FramesWritten(MarkerOutput& next, std::optional<std::int64_t> held, FrameChoice choice)
        : next_(next), held_(held), choice_(choice) {}
    bool Begin(const TRCFile& file) override {
        const std::optional<std::int64_t> frames =
            FramesToWrite(file.GetNumFrames(), held_.value_or(file.GetNumFrames()), choice_, refusal_);
        if (!frames) return false;
        header_ = file;
        header_.SetNumFrames(static_cast<std::int32_t>(std::min<std::int64_t>(*frames, INT32_MAX)));
        markers_ = header_.GetNumMarkers();
        frames_ = header_.GetNumFrames();
        return next_.Begin(header_);
    }
    bool Row(const TRCRow& row) override { return next_.Row(row); }
    // The frames held, once known only after the read (a cleaned take).
    void SetHeld(std::int64_t held) { held_ = held; }
    std::uint32_t Markers() const { return markers_; }
    std::int64_t Frames() const { return frames_; }
    const std::wstring& Refusal() const { return refusal_; }

private:
    MarkerOutput& next_;
    std::optional<std::int64_t> held_;
    FrameChoice choice_;
    TRCFile header_;
    std::wstring refusal_;
    std::uint32_t markers_ = 0;
    std::int64_t frames_ = 0;
};

// A writer, or the frame count, that refused the take stops the read: its
// reason is the one, and nothing is written.
bool WriterRefused(const FramesWritten& count, const MarkerOutput& output, TextOutput& file,
                   ConversionResult& result) {
    for (const std::wstring* refusal : {&count.Refusal(), &output.Refusal()}) {
        if (refusal->empty()) continue;
        result.readMessage.clear();
        result.writeMessage = *refusal;
        file.Discard();
        return true;
    }
    return false;
}

// A platform's lengths as the rows' positions are written: its corners,
// in the lab's frame, converted and turned; its origin, in the plate's
// frame, converted only; both now in `units`.
ForcePlatform PlatformAsWritten(ForcePlatform platform, AxisTurn turn, double factor,
                                CalibrationUnits units) {
    for (Vec3d& corner : platform.corners) {
        const TRCSample moved = Turned(TRCSample{true, false, corner[0], corner[1], corner[2]}, turn, factor);
        corner = {moved.x, moved.y, moved.z};
    }
    for (double& value : platform.origin) value *= factor;
    platform.millimetresPerUnit = MillimetresPerUnit(units);
    return platform;
}

// Hands a cleaned take's rows on, each after the analog samples (kept
// whole) of the frame it was read in: row r was read in frame `first` + r
// of the samples.
class AnalogBeside : public TRCRowSink {
public:
    AnalogBeside(TRCRowSink& next, const C3DAnalog& analog, std::uint64_t first, AnalogSink& samples)
        : next_(next), analog_(analog), frame_(first), samples_(samples) {}
    bool Begin(const TRCFile& file) override { return next_.Begin(file); }
    bool Row(const TRCRow& row) override {
        const std::size_t values = std::size_t{analog_.samplesPerFrame} * analog_.channels.size();
        const std::size_t at = frame_ * values;
        if (values != 0 && at + values <= analog_.samples.size()) {
            samples_.Frame({static_cast<std::int64_t>(frame_), analog_.samples.data() + at});
        }
        ++frame_;
        return next_.Row(row);
    }

private:
    TRCRowSink& next_;
    const C3DAnalog& analog_;
    std::uint64_t frame_;
    AnalogSink& samples_;
};

std::string Counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What a marker output that holds no analog data leaves of a C3D file: its
// channels (as many as the reader skipped) and its platforms. Platforms
// without channels have no loads to leave, so a file without channels
// gets no note.
void NoteAnalogLeft(ConversionResult& result, const FindingWatch& watch, std::size_t platforms,
                    FileKind outKind) {
    std::uint64_t channels = 0;
    for (const ReadFinding& finding : watch.All()) {
        if (finding.code == ReadFindingCode::kC3dAnalogSkipped) channels = finding.count;
    }
    if (channels == 0) return;
    std::string left = Counted(channels, "analog channel", "analog channels");
    if (platforms != 0) left += " and " + Counted(platforms, "force platform", "force platforms");
    result.notes.push_back(left + " not written: a " + KindInfo(outKind).name +
                           " file holds markers only (convert --analog or --forces writes them to CSV)");
}

ConversionResult MarkersToMarkers(const ConversionRequest& request) {
    ConversionResult result;
    // A take to be cleaned is read whole, its rows kept in its markers, and
    // streamed to the writer once clean; any other streams from the reader.
    const bool whole = !request.cleaning.empty();
    // A TRC file's rows are counted first: its writers state the frames
    // before the first row.
    const std::optional<std::int64_t> held =
        whole ? std::nullopt : MarkerRowsHeld(request.in, request.inKind);
    std::unique_ptr<TextOutput> file = OpenOutput(request, result);
    if (!file) return result;
    // A C3D file's floats stay floats unless lengths are converted.
    const bool singles = request.inKind == FileKind::kC3d && !request.units;
    MarkerOutputNames names{request.baseName, request.dateTime, singles, request.gwm, request.map};
    names.filledColumn = std::any_of(request.cleaning.begin(), request.cleaning.end(), [](const CleaningStep& step) {
        return step.kind == CleaningStep::Kind::kFillGaps;
    });
    const UpAxis from = request.inUp.value_or(ConventionalUp(request.inKind));
    const UpAxis to = OutputUp(request, from);
    const AxisTurn turn = TurnBetween(from, to, request.outKind);
    // A C3D file's analog channels and platforms go on to a C3D output;
    // another output notes what it leaves of them.
    C3DAnalog analog;
    std::vector<ForcePlatform> platforms;
    const bool analogWritten = request.inKind == FileKind::kC3d && request.outKind == FileKind::kC3d;
    std::optional<RowTransform> transform;
    if (analogWritten) {
        names.analog = &analog;
        names.platforms = &platforms;
        names.platformAsWritten = [&](const ForcePlatform& platform) {
            const CalibrationUnits from = transform->FromUnits();
            const double factor = request.units ? UnitConversionFactor(from, *request.units) : 1.0;
            return PlatformAsWritten(platform, turn, factor, request.units.value_or(from));
        };
    }
    std::unique_ptr<MarkerOutput> output = MakeMarkerOutput(request.outKind, *file, names);
    FramesWritten count(*output, held, request.frames);
    transform.emplace(count, turn, request.units);
    transform->AssumeUnits(request.inUnits);
    FindingWatch watch(request.findings);
    TRCFile take;
    MarkerReadOptions read;
    read.findings = &watch;
    read.rows = whole ? nullptr : &*transform;
    read.memoryLimit = request.memoryLimit;
    if (request.inKind == FileKind::kC3d) read.platforms = &platforms;
    if (analogWritten) {
        read.analog = &analog;
        read.analogFrames = whole ? nullptr : output->AnalogFrames();
    }
    result.readMessage = ReadMarkers(request.in, request.inKind, take, read);
    if (WriterRefused(count, *output, *file, result)) return result;
    watch.Pass();
    if (!result.readMessage.empty()) return result;
    if (watch.FirstMisread() && !request.acceptMisread) {
        result.misread = watch.FirstMisread();
        result.readMessage = kMisreadTake;
        file->Discard();
        return result;
    }
    if (whole) {
        const std::int64_t readFrom = take.GetStartFrame();
        result.readMessage = CleanTake(take, request.cleaning, result.cleaning);
        if (!result.readMessage.empty()) {
            file->Discard();
            return result;
        }
        count.SetHeld(take.GetNumRows());
        if (AnalogSink* samples = output->AnalogFrames()) {
            // Frames kept by a range keep their samples: the first kept
            // frame is the take's start frame now.
            AnalogBeside beside(*transform, analog,
                                static_cast<std::uint64_t>(take.GetStartFrame() - readFrom), *samples);
            StreamMarkerRows(take, beside);
        } else {
            StreamMarkerRows(take, *transform);
        }
        if (WriterRefused(count, *output, *file, result)) return result;
    }
    if (!transform->Begun()) transform->Begin(take);  // a file of no rows
    FinishOutput(*output, *file, result);
    result.points = count.Markers();
    result.frames = count.Frames();
    if (transform->UnitsAssumed()) NoteUnitsAssumed(result, transform->FromUnits());
    NoteTurns(result, from, to, transform->FromUnits(), request.units);
    if (request.inKind == FileKind::kC3d && !analogWritten) {
        NoteAnalogLeft(result, watch, platforms.size(), request.outKind);
    }
    return result;
}

constexpr wchar_t kForeign[] = L"The file holds nothing of the format it was read as";

// Values an HTR file writes as text that reads back as 0, into the plan.
void FindNonFinite(const HTRFile& skeleton, SkeletonPlan& plan) {
    auto check = [&](const HTRSegment& segment, const char* where, double value) {
        if (std::isfinite(value) || plan.nonFinite++ != 0) return;
        plan.firstNonFiniteSegment = segment.Name();
        plan.firstNonFiniteWhere = where;
        plan.firstNonFiniteIsNan = std::isnan(value);
    };
    for (std::uint32_t s = 0; s < skeleton.SegmentCount(); ++s) {
        const HTRSegment& segment = *skeleton.Segment(s);
        double v[6];
        segment.GetBaseTranslation(v[0], v[1], v[2]);
        segment.GetBaseRotationAngles(v[3], v[4], v[5]);
        for (const double value : v) check(segment, "base position", value);
        check(segment, "bone length", segment.GetBoneLength());
        for (std::uint32_t i = 0; i < segment.FrameCount(); ++i) {
            segment.GetFrameTranslation(i, v[0], v[1], v[2]);
            segment.GetFrameRotationAngles(i, v[3], v[4], v[5]);
            for (const double value : v) check(segment, "frame", value);
            check(segment, "frame", segment.GetFrameScale(i));
        }
    }
}

// Reads the skeleton and makes it ready to write: its frames chosen, its
// lengths and angles in the units asked. False, with the result's message,
// when the reader refused it, found nothing of its format in it, or its
// header claims more frames than padding may add.
bool ReadySkeleton(const ConversionRequest& request, HTRFile& skeleton, ConversionResult& result) {
    FindingWatch watch(request.findings);
    result.readMessage = ReadSkeleton(request.in, request.inKind, skeleton, &watch);
    watch.Pass();
    if (!result.readMessage.empty()) return false;
    if (IsForeignFile(watch.All())) {
        result.foreign = true;
        result.readMessage = kForeign;
        return false;
    }
    SkeletonPlan& plan = result.plan.emplace();
    plan.headerFrames = skeleton.GetNumFrames();
    plan.heldFrames = skeleton.FramesHeld();
    plan.segments = skeleton.SegmentCount();
    plan.unitsRead = skeleton.GetCalibrationUnits();
    const std::optional<std::int64_t> frames =
        FramesToWrite(plan.headerFrames, plan.heldFrames, request.frames, result.writeMessage);
    if (!frames) {
        result.framesOutOfProportion = true;
        return false;
    }
    plan.frames = *frames;
    skeleton.SetNumFrames(static_cast<std::uint32_t>(*frames));
    if (request.inUnits && request.inKind == FileKind::kBvh) {
        skeleton.SetCalibrationUnits(*request.inUnits);
        plan.unitsRead = *request.inUnits;
        NoteUnitsAssumed(result, *request.inUnits);
    }
    // A figure that stands otherwise than its format's Y up is stood up.
    const UpAxis convention = ConventionalUp(request.inKind);
    if (request.inUp && *request.inUp != convention) {
        TurnSkeletonUp(skeleton, *request.inUp, convention);
        result.notes.push_back(std::string("the skeleton stood up from ") + UpAxisName(*request.inUp) +
                               " to " + UpAxisName(convention));
    }
    if (request.units) skeleton.ConvertCalibrationUnits(*request.units);
    if (request.rotationUnits) skeleton.SetRotationUnits(*request.rotationUnits);
    plan.leastHtrBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(*frames, 1)) *
                         plan.segments * 65;
    if (request.outKind == FileKind::kHtr) FindNonFinite(skeleton, plan);
    return true;
}

// Whether the request's gate lets the skeleton be written, and where.
bool GateOpens(const ConversionRequest& request, ConversionResult& result, std::wstring& out) {
    out = request.out;
    if (request.gate == nullptr || request.gate->Proceed(*result.plan, out)) return true;
    result.stopped = true;
    return false;
}

ConversionResult SkeletonToMarkers(const ConversionRequest& request) {
    ConversionResult result;
    HTRFile skeleton;
    if (!ReadySkeleton(request, skeleton, result)) return result;
    const CalibrationUnits fromUnits = result.plan->unitsRead;
    std::wstring out;
    if (!GateOpens(request, result, out)) return result;
    ConversionRequest where = request;
    where.out = out;
    std::unique_ptr<TextOutput> file = OpenOutput(where, result);
    if (!file) return result;
    const MarkerOutputNames names{request.baseName, request.dateTime, false, request.gwm,
                                  request.map};
    std::unique_ptr<MarkerOutput> output = MakeMarkerOutput(request.outKind, *file, names);
    const UpAxis from = ConventionalUp(request.inKind);
    const UpAxis to = OutputUp(request, from);
    FramesWritten count(*output, std::nullopt, FrameChoice::kHeld);
    RowTransform transform(count, TurnBetween(from, to, request.outKind), std::nullopt);
    if (!StreamJointPositions(skeleton, transform)) {
        result.writeMessage = output->Refusal();
        return result;
    }
    FinishOutput(*output, *file, result);
    result.points = count.Markers();
    result.frames = count.Frames();
    result.notes.push_back("each joint's world position written as a marker of its name");
    NoteTurns(result, from, to, fromUnits, request.units);
    return result;
}

// "Hips, Chest": the first few names of a list, and how many more.
std::string NameList(const std::vector<std::wstring>& names) {
    constexpr std::size_t kShown = 5;
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i) {
        text += (i > 0 ? ", " : "") + EncodeUtf8(names[i]);
    }
    if (names.size() > kShown) text += " and " + std::to_string(names.size() - kShown) + " more";
    return text;
}

// What a BVH file could not hold as HTR holds it.
void NoteBvh(ConversionResult& result, const BVHWriteNotes& notes) {
    if (!notes.jointsWithPositions.empty()) {
        result.notes.push_back("position channels for the joints whose translation moves: " +
                               NameList(notes.jointsWithPositions));
    }
    if (!notes.scaleDropped.empty()) {
        result.notes.push_back("scale factors other than 1 not written (BVH holds none): " +
                               NameList(notes.scaleDropped));
    }
}

ConversionResult SkeletonToSkeleton(const ConversionRequest& request) {
    ConversionResult result;
    if (request.up && *request.up != UpAxis::kY) {
        result.writeMessage = L"A skeleton is written Y-up; turning applies to marker outputs";
        return result;
    }
    HTRFile skeleton;
    if (!ReadySkeleton(request, skeleton, result)) return result;
    const CalibrationUnits fromUnits = result.plan->unitsRead;
    std::wstring out;
    if (!GateOpens(request, result, out)) return result;
    BVHWriteNotes notes;
    result.writeMessage = WriteSkeleton(out, request.outKind, skeleton, &result.ioError, &notes);
    NoteBvh(result, notes);
    result.points = skeleton.SegmentCount();
    result.frames = skeleton.GetNumFrames();
    NoteTurns(result, UpAxis::kY, UpAxis::kY, fromUnits, request.units);
    return result;
}

}  // namespace

bool Converts(FileKind in, FileKind out) {
    const std::span<const FileKind> becomes = KindInfo(in).becomes;
    return std::find(becomes.begin(), becomes.end(), out) != becomes.end();
}

ConversionResult Convert(const ConversionRequest& request) {
    if (request.content != C3dContent::kMarkers) return AnalogToCsv(request);
    if (!Converts(request.inKind, request.outKind)) {
        ConversionResult result;
        result.writeMessage = L"The take does not convert to that format";
        return result;
    }
    if (!request.cleaning.empty() && HoldsSkeleton(request.inKind)) {
        ConversionResult result;
        result.writeMessage = kCleansMarkerTakes;
        return result;
    }
    if (HoldsSkeleton(request.outKind)) return SkeletonToSkeleton(request);
    if (HoldsSkeleton(request.inKind)) return SkeletonToMarkers(request);
    return MarkersToMarkers(request);
}

}  // namespace tovfileio
