// The ANALOG and FORCE_PLATFORM groups of a C3D file, and its analog
// samples decoded as the frames are read.
#include "C3DAnalogReader.h"

#include <algorithm>
#include <string>

#include "tovfileio/text/TextCodec.h"

namespace tovfileio::c3dread {

namespace {

// The values of a numeric array and its continuations (`name`, then `name`
// 2, 3, ...), up to `count`, each read by `read` (a count or a number).
template <typename Read>
std::vector<double> Numbers(const Params& params, const std::string& name, std::uint64_t count,
                            Read read) {
    std::vector<double> numbers;
    for (int k = 1; numbers.size() < count; ++k) {
        const Param* param = params.Find(k == 1 ? name : name + std::to_string(k));
        if (param == nullptr) break;
        for (std::uint64_t i = 0; i < param->Count() && numbers.size() < count; ++i) {
            if (const std::optional<double> value = read(param, i)) numbers.push_back(*value);
        }
    }
    return numbers;
}

std::vector<std::wstring> TrimmedTexts(const Params& params, const std::string& name, std::uint64_t count) {
    std::vector<std::wstring> texts;
    for (const std::string_view text : Texts(params, name, count)) texts.push_back(DecodeUtf8(TrimEnd(text)));
    texts.resize(count);
    return texts;
}

// Whether ANALOG:FORMAT says the stored values are unsigned.
bool UnsignedFormat(const Params& params) {
    const Param* format = params.Find("ANALOG:FORMAT");
    return format != nullptr && format->type == -1 && Upper(TrimEnd(format->data)) == "UNSIGNED";
}

}  // namespace

C3DAnalog AnalogChannels(const Params& params, std::uint64_t channels, std::uint64_t values,
                         double pointRate, std::uint64_t wordBytes, std::uint64_t fileBytes) {
    C3DAnalog analog;
    const std::uint64_t layoutChannels = channels;
    channels = std::min(channels, fileBytes / std::max<std::uint64_t>(wordBytes, 1));
    analog.samplesPerFrame = static_cast<std::uint32_t>(layoutChannels != 0 ? values / layoutChannels : 0);
    analog.rate = params.Number(params.Find("ANALOG:RATE"))
                      .value_or(pointRate * static_cast<double>(analog.samplesPerFrame));
    analog.generalScale = params.Number(params.Find("ANALOG:GEN_SCALE")).value_or(1.0);
    analog.unsignedValues = UnsignedFormat(params);

    DistinctNames labels =
        NamesFromLabels(Texts(params, "ANALOG:LABELS", channels), channels, L"Analog");
    std::vector<std::wstring> descriptions = TrimmedTexts(params, "ANALOG:DESCRIPTIONS", channels);
    std::vector<std::wstring> units = TrimmedTexts(params, "ANALOG:UNITS", channels);
    auto number = [&](const Param* param, std::uint64_t i) { return params.Number(param, i); };
    auto offsetOf = [&](const Param* param, std::uint64_t i) {
        return analog.unsignedValues ? params.Count(param, i) : params.Number(param, i);
    };
    const std::vector<double> scales = Numbers(params, "ANALOG:SCALE", channels, number);
    const std::vector<double> offsets = Numbers(params, "ANALOG:OFFSET", channels, offsetOf);

    analog.channels.resize(channels);
    for (std::uint64_t c = 0; c < channels; ++c) {
        AnalogChannel& channel = analog.channels[c];
        channel.label = std::move(labels.names[c]);
        channel.description = std::move(descriptions[c]);
        channel.units = std::move(units[c]);
        if (c < scales.size()) channel.scale = scales[c];
        if (c < offsets.size()) channel.offset = offsets[c];
    }
    return analog;
}

std::vector<ForcePlatform> ForcePlatforms(const Params& params) {
    const Param* type = params.Find("FORCE_PLATFORM:TYPE");
    const Param* corners = params.Find("FORCE_PLATFORM:CORNERS");
    const Param* origin = params.Find("FORCE_PLATFORM:ORIGIN");
    const Param* channel = params.Find("FORCE_PLATFORM:CHANNEL");
    const Param* calibration = params.Find("FORCE_PLATFORM:CAL_MATRIX");
    const Param* zero = params.Find("FORCE_PLATFORM:ZERO");
    const Param* copPolynomial = params.Find("FORCE_PLATFORM:FPCOPPOLY");
    auto count = [](const Param* param) { return param != nullptr && param->type > 0 ? param->Count() : 0; };
    // The values a platform has in an array whose last dimension runs over
    // the platforms (CHANNEL, FPCOPPOLY six by two): those of the other
    // dimensions, when the array has more than one.
    auto perPlatform = [](const Param* param, std::uint64_t fallback) -> std::uint64_t {
        if (param == nullptr || param->dims.size() < 2) return fallback;
        std::uint64_t values = 1;
        for (std::size_t d = 0; d + 1 < param->dims.size(); ++d) values *= param->dims[d];
        return values;
    };
    // A CHANNEL of one dimension is shared evenly among the platforms TYPE gives.
    const std::uint64_t channelsEach = std::max<std::uint64_t>(
        perPlatform(channel, count(type) != 0 ? count(channel) / count(type) : 6), 1);
    const std::uint64_t described =
        std::max({count(type), count(corners) / 12, count(origin) / 3, count(channel) / channelsEach,
                  count(calibration) / 36});
    const std::uint64_t used =
        std::min(Clamped(params.Count("FORCE_PLATFORM:USED").value_or(0), 0xffff), described);

    std::vector<ForcePlatform> platforms(used);
    for (std::uint64_t p = 0; p < used; ++p) {
        ForcePlatform& platform = platforms[p];
        platform.type = static_cast<int>(params.Number(type, p).value_or(0));
        for (std::uint64_t k = 0; k < 12; ++k) {
            platform.corners[k / 3][k % 3] = params.Number(corners, p * 12 + k).value_or(0);
        }
        for (std::uint64_t k = 0; k < 3; ++k) platform.origin[k] = params.Number(origin, p * 3 + k).value_or(0);
        for (std::uint64_t k = 0; k < channelsEach; ++k) {
            const std::optional<double> number = params.Count(channel, p * channelsEach + k);
            if (!number) break;
            platform.channels.push_back(static_cast<std::uint32_t>(Clamped(*number, 0xffff)));
        }
        if (platform.type == 4 && count(calibration) >= (p + 1) * 36) {
            for (std::uint64_t k = 0; k < 36; ++k) platform.calibration.push_back(*params.Number(calibration, p * 36 + k));
        }
        for (std::uint64_t k = 0; k < 2; ++k) {
            platform.zero[k] = static_cast<std::int32_t>(params.Number(zero, k).value_or(0));
        }
        if (platform.type == 3) {
            const std::uint64_t terms = perPlatform(copPolynomial, count(copPolynomial));
            for (std::uint64_t k = 0; k < terms; ++k) {
                const std::optional<double> term = params.Number(copPolynomial, p * terms + k);
                if (!term) break;
                platform.copPolynomial.push_back(*term);
            }
        }
    }
    return platforms;
}

namespace {
enum Form { kSigned, kUnsigned, kFloat };
}  // namespace

AnalogSamples::AnalogSamples(Processor processor, bool isFloat, C3DAnalog& analog, AnalogSink* sink)
    : analog_(analog),
      sink_(sink),
      wordBytes_(isFloat ? 4 : 2),
      decode_(nullptr) {
    bool plain = analog.generalScale == 1.0;
    for (const AnalogChannel& channel : analog.channels) plain = plain && channel.offset == 0.0;
    // About 256 values a run: long enough to leave the loop's set-up behind,
    // short enough to stay in the first-level cache.
    repeat_ = std::max<std::uint64_t>(1, 256 / std::max<std::size_t>(1, analog.channels.size()));
    for (std::uint64_t r = 0; r < repeat_; ++r) {
        for (const AnalogChannel& channel : analog.channels) {
            offsets_.push_back(channel.offset);
            scales_.push_back(channel.scale);
        }
    }
    const int form = isFloat ? kFloat : analog.unsignedValues ? kUnsigned : kSigned;
    decode_ = plain ? DecoderFor<true>(processor, form) : DecoderFor<false>(processor, form);
}

void AnalogSamples::Reserve(std::uint64_t frames) {
    if (sink_ == nullptr) {
        analog_.samples.reserve(frames * FrameValues());
    } else if (frames != 0) {
        frame_.reserve(FrameValues());
    }
}

template <Processor kProcessor, int kForm, bool kPlain>
void AnalogSamples::DecodeSamples(const unsigned char* bytes, std::uint64_t samples,
                                  const AnalogSamples& self, double* into) {
    const std::size_t channels = self.analog_.channels.size();
    const double general = self.analog_.generalScale;
    const double* const offsets = self.offsets_.data();
    const double* const scales = self.scales_.data();
    constexpr std::size_t kWordBytes = kForm == kFloat ? 4 : 2;
    while (samples != 0) {
        const std::uint64_t run = std::min(samples, self.repeat_);
        const std::size_t values = run * channels;
        double* __restrict out = into;
        for (std::size_t v = 0; v < values; ++v) {
            const unsigned char* word = bytes + v * kWordBytes;
            double stored;
            if constexpr (kForm == kFloat) {
                stored = c3dbytes::F32(kProcessor, word);
            } else if constexpr (kForm == kUnsigned) {
                stored = double(c3dbytes::U16(kProcessor, word));
            } else {
                stored = double(c3dbytes::I16(kProcessor, word));
            }
            if constexpr (kPlain) {
                out[v] = stored * scales[v];
            } else {
                out[v] = (stored - offsets[v]) * scales[v] * general;
            }
        }
        bytes += values * kWordBytes;
        into += values;
        samples -= run;
    }
}

template <bool kPlain>
AnalogSamples::Decode AnalogSamples::DecoderFor(Processor processor, int form) {
    switch (processor) {
        case Processor::kIntel:
            return form == kFloat      ? DecodeSamples<Processor::kIntel, kFloat, kPlain>
                   : form == kUnsigned ? DecodeSamples<Processor::kIntel, kUnsigned, kPlain>
                                       : DecodeSamples<Processor::kIntel, kSigned, kPlain>;
        case Processor::kDec:
            return form == kFloat      ? DecodeSamples<Processor::kDec, kFloat, kPlain>
                   : form == kUnsigned ? DecodeSamples<Processor::kDec, kUnsigned, kPlain>
                                       : DecodeSamples<Processor::kDec, kSigned, kPlain>;
        default:
            return form == kFloat      ? DecodeSamples<Processor::kMips, kFloat, kPlain>
                   : form == kUnsigned ? DecodeSamples<Processor::kMips, kUnsigned, kPlain>
                                       : DecodeSamples<Processor::kMips, kSigned, kPlain>;
    }
}

void AnalogSamples::Add(const unsigned char* bytes, std::uint64_t samples) {
    const std::size_t values = samples * analog_.channels.size();
    if (sink_ == nullptr) {
        const std::size_t at = analog_.samples.size();
        analog_.samples.resize(at + values);
        decode_(bytes, samples, *this, analog_.samples.data() + at);
        return;
    }
    // A frame's buffer grows to a frame once and is written over after.
    if (frame_.size() < frameUsed_ + values) frame_.resize(frameUsed_ + values);
    decode_(bytes, samples, *this, frame_.data() + frameUsed_);
    frameUsed_ += values;
}

void AnalogSamples::EndFrame(std::int64_t frame) {
    if (sink_ == nullptr) return;
    sink_->Frame(AnalogFrame{frame, frame_.data()});
    frameUsed_ = 0;
}

}  // namespace tovfileio::c3dread
