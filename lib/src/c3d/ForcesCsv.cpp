#include "tovfileio/c3d/ForcesCsv.h"

#include <span>

#include "CsvText.h"
#include "tovfileio/c3d/AnalogCsv.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

using csvtext::AppendInt;
using csvtext::AppendSampleStart;
using csvtext::AppendNumber;
using csvtext::kFlushBytes;

namespace {

std::string BaselineNote(std::size_t platform, PlatformBaseline baseline) {
    const std::string name = "platform " + std::to_string(platform + 1);
    switch (baseline) {
        case PlatformBaseline::kNoRange: return name + ": the file gives no ZERO range; nothing taken off";
        case PlatformBaseline::kOutsideSamples:
            return name + ": its ZERO range lies outside the samples read; nothing taken off";
        default: return std::string();
    }
}

}  // namespace

void ForcesCsvStream::Prepare(const C3DAnalog* baseline) {
    prepared_ = true;
    forces_.clear();
    for (std::size_t p = 0; p < platforms_.size(); ++p) {
        std::wstring why;
        std::optional<PlatformForces> forces =
            PlatformForces::Prepare(platforms_[p], analog_.channels.size(), options_, why);
        if (!forces) {
            notes_.push_back("platform " + std::to_string(p + 1) + " not computed: " + EncodeUtf8(why));
        } else if (options_.zeroBaseline && baseline != nullptr) {
            if (std::string note = BaselineNote(p, forces->SetBaseline(*baseline)); !note.empty()) {
                notes_.push_back(std::move(note));
            }
        }
        if (forces && forces->IgnoresCopPolynomial()) {
            notes_.push_back("platform " + std::to_string(p + 1) +
                             ": its centre-of-pressure polynomial (FPCOPPOLY) is not applied, as it "
                             "has " + std::to_string(platforms_[p].copPolynomial.size()) +
                             " terms, not 12");
        }
        forces_.push_back(std::move(forces));
    }
    text_ += "sample,time,platform,fx,fy,fz,mx,my,mz,copx,copy,copz\n";
}

void ForcesCsvStream::Frame(const AnalogFrame& frame) {
    if (!prepared_) Prepare();
    const std::size_t channels = analog_.channels.size();
    const std::int64_t first = FirstAnalogSample(frame.frame, analog_.samplesPerFrame);
    for (std::uint32_t s = 0; s < analog_.samplesPerFrame; ++s) {
        const std::int64_t number = first + s;
        const std::span<const double> values(frame.values + s * channels, channels);
        for (std::size_t p = 0; p < forces_.size(); ++p) {
            if (!forces_[p]) continue;
            const PlatformSample sample = forces_[p]->At(values);
            AppendSampleStart(text_, number, analog_.rate);
            text_ += ',';
            AppendInt(text_, static_cast<std::int64_t>(p + 1));
            for (const Vec3d* v : {&sample.force, &sample.moment, &sample.cop}) {
                for (const double value : *v) {
                    text_ += ',';
                    AppendNumber(text_, value);
                }
            }
            text_ += '\n';
            ++lines_;
        }
    }
    if (text_.size() >= kFlushBytes) Flush();
}

void ForcesCsvStream::Finish() {
    if (!prepared_) Prepare();
    Flush();
}

void ForcesCsvStream::Flush() {
    file_.Write(text_);
    text_.clear();
}

}  // namespace tovfileio
