#include "cli/commands/HtrConversion.h"

#include <algorithm>

#include "cli/files/FileSizeLimit.h"
#include "cli/files/InputConversion.h"
#include "cli/files/OutputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/FindingReport.h"
#include "cli/report/SafeText.h"
#include "cli/run/Progress.h"
#include "tovfileio/text/TextCodec.h"

using namespace tovfileio;

namespace {

// Messages may carry names from the file (a duplicate segment's), so they
// are shown escaped.
int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + Escaped(message) + "\n");
    return kExitFailed;
}

// How the module's HTR to HTR conversion counts its frames: the header's
// count, refused out of proportion; --frames header pads anyway, --frames
// held writes the frames held.
FrameChoice HtrFrames(const HtrConversionOptions& settings) {
    if (!settings.headerFrames) return FrameChoice::kHeader;
    return *settings.headerFrames ? FrameChoice::kHeaderAnyway : FrameChoice::kHeld;
}

// What the conversion core's skeleton plan warns of, worded for the command
// line: frames the header cuts off unless --frames chose, values that read
// back as 0.
void WarnOfPlan(const std::string& in, const tovfileio::SkeletonPlan& plan, bool chosen,
                Warnings& warnings) {
    if (plan.frames < plan.heldFrames && !chosen) {
        warnings.Add(in, "only the first " + std::to_string(plan.frames) + " of the " +
                             std::to_string(plan.heldFrames) + " frames held are written " +
                             "(--frames held writes them all)");
    }
    if (plan.nonFinite > 0) {
        warnings.Add(in, Counted(plan.nonFinite, "value is", "values are") +
                             " not finite and written as text that reads back as 0 (first: " +
                             EscapedName(plan.firstNonFiniteSegment) + " " +
                             plan.firstNonFiniteWhere + " (" +
                             (plan.firstNonFiniteIsNan ? "nan" : "inf") + "))");
    }
}

// Reports a reader's refusal with its context.
int ReadFailed(const CommandIO& io, const std::string& in, const InputFile& input,
               const std::wstring& message, const FindingList& findings) {
    const std::string context = RefusalContext(findings, in, input.Tried());
    return Report(io, in, tovfileio::EncodeUtf8(message) + (context.empty() ? "" : " " + context));
}

// The module's HTR to HTR conversion through the conversion core: once the
// file is read, its warnings are said, --strict, the output's place and its
// limit decide whether it is written.
class HtrGate : public tovfileio::SkeletonGate {
public:
    HtrGate(const HtrConversionOptions& options, const InputFile& input, const CommandIO& io,
            Warnings& warnings, const FindingList& findings)
        : options_(options), settings_(options), input_(input), io_(io), warnings_(warnings),
          findings_(findings), inputBytes_(FileBytes(input.ReadPath())) {
        reading_.emplace(io.err, inputBytes_, ProcessBytesRead, "reading " + options.in);
    }

    bool Proceed(const tovfileio::SkeletonPlan& plan, std::wstring& out) override {
        reading_.reset();
        warnings_.AddFindings(options_.in, findings_.All());
        WarnOfPlan(options_.in, plan, settings_.headerFrames.has_value(), warnings_);
        if (settings_.strict && warnings_.Count() > 0) {
            return Stop(Report(io_, options_.in, Counted(warnings_.Count(), "warning", "warnings") +
                                                     ", failures with --strict; nothing written"));
        }
        std::string error;
        if (!output_.Resolve(options_.out, options_.in, input_.ReadPath(),
                             tovfileio::KindInfo(FileKind::kHtr).extension, nullptr, error)) {
            return Stop(Failed(Report(io_, output_.Name(), error)));
        }
        limit_ = OutputLimit(inputBytes_, settings_.maxOutput);
        if (limit_ != 0 && plan.leastHtrBytes > limit_) {
            return Stop(Report(io_, output_.Name(), OutputTooLarge(limit_, plan.leastHtrBytes)));
        }
        sizeLimit_.emplace(output_.IsPlainFile() ? limit_ : 0);
        // The estimate is the least the output takes; a conversion writes
        // about its input's size.
        writing_.emplace(io_.err, std::max(plan.leastHtrBytes, inputBytes_), ProcessBytesWritten,
                         "writing " + output_.Name());
        out = tovfileio::PathToWide(output_.WritePath());
        return true;
    }

    // The exit status of a conversion the gate let through, once it ended.
    int Finish(const tovfileio::ConversionResult& result) {
        const bool tooLarge = sizeLimit_ && sizeLimit_->Reached();
        writing_.reset();
        sizeLimit_.reset();
        if (!result.writeMessage.empty()) {
            return Report(io_, output_.Name(), tovfileio::EncodeUtf8(result.writeMessage));
        }
        if (result.ioError != 0) {
            if (tooLarge) return Report(io_, output_.Name(), OutputTooLarge(limit_, 0));
            return Failed(Report(io_, output_.Name(), NotWrittenWhole(result.ioError)));
        }
        std::string error;
        if (!output_.Finish(io_, error)) {
            return Failed(Report(io_, output_.Name(), "The file could not be put in place: " + error));
        }
        return kExitOk;
    }
    int StoppedWith() const { return status_; }

private:
    // The status of a file that could not be written, noted for a caller
    // that asked.
    int Failed(int status) const {
        if (options_.outcome != nullptr) options_.outcome->failed = true;
        return status;
    }
    bool Stop(int status) {
        status_ = status;
        return false;
    }

    const HtrConversionOptions& options_;
    const HtrConversionOptions& settings_;
    const InputFile& input_;
    const CommandIO& io_;
    Warnings& warnings_;
    const FindingList& findings_;
    std::uint64_t inputBytes_;
    std::optional<Progress> reading_, writing_;
    OutputFile output_;
    std::uint64_t limit_ = 0;
    std::optional<FileSizeLimit> sizeLimit_;
    int status_ = kExitFailed;
};

}  // namespace

int ConvertHtrToHtr(const CommandIO& io, const InputFile& input, const HtrConversionOptions& options) {
    Warnings warnings(io);
    FindingList findings;
    tovfileio::ConversionRequest request = InputConversion(input, std::string(), FileKind::kHtr);
    request.units = options.units;
    request.rotationUnits = options.rotationUnits;
    request.frames = HtrFrames(options);
    request.findings = &findings;
    tovfileio::ConversionResult result;
    {
        HtrGate gate(options, input, io, warnings, findings);
        request.gate = &gate;
        result = tovfileio::Convert(request);
        if (options.outcome != nullptr) options.outcome->findings = findings.All();
        if (result.stopped) return gate.StoppedWith();
        if (result.foreign) {
            return Report(io, options.in, "holds nothing of an HTR or TRC file (it was read as HTR)");
        }
        if (!result.readMessage.empty()) {
            const int status = ReadFailed(io, options.in, input, result.readMessage, findings);
            if (options.outcome != nullptr && CouldNotRead(findings.All())) options.outcome->failed = true;
            return status;
        }
        if (!result.framesOutOfProportion) return gate.Finish(result);
    }
    const tovfileio::SkeletonPlan& plan = *result.plan;
    warnings.AddFindings(options.in, findings.All());
    return Report(io, options.in,
                  "the header gives " + std::to_string(plan.headerFrames) +
                      " frames but the file holds " + std::to_string(plan.heldFrames) +
                      ": writing them would pad " +
                      std::to_string(plan.headerFrames - plan.heldFrames) +
                      " frames; nothing written (--frames header writes them, --frames held "
                      "writes the " + std::to_string(plan.heldFrames) + " held)");
}
