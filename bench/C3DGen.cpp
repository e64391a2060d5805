#include "bench/C3DGen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "lib/src/c3d/C3DParamSection.h"

namespace tovgen {
namespace {

using tovfileio::c3dwrite::AppendFloat;
using tovfileio::c3dwrite::AppendU16;
using tovfileio::c3dwrite::kBlock;
using tovfileio::c3dwrite::ParamSection;
using tovfileio::c3dwrite::PutU16;

enum GroupId { kPoint = 1, kAnalog = 2 };

void PutFloat(std::string& to, std::size_t at, float value) {
    std::memcpy(&to[at], &value, 4);
}

std::vector<std::string> Numbered(const char* prefix, std::uint32_t count) {
    std::vector<std::string> names;
    for (std::uint32_t i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

// The parameter section for a data section starting at block `dataBlock`.
std::string ParameterSection(const C3dOptions& options, std::uint16_t dataBlock) {
    const float pointScale = options.integers ? kIntegerPointScale : -1.0f;
    ParamSection params;
    params.Group(kPoint, "POINT");
    params.Int(kPoint, "USED", static_cast<std::uint16_t>(options.markers));
    params.Texts(kPoint, "LABELS", Numbered("M", options.markers));
    params.Text(kPoint, "UNITS", "mm");
    params.Float(kPoint, "RATE", options.pointRate);
    params.Float(kPoint, "SCALE", pointScale);
    params.Int(kPoint, "DATA_START", dataBlock);
    if (options.frames <= 0xffff) params.Int(kPoint, "FRAMES", static_cast<std::uint16_t>(options.frames));
    else params.Float(kPoint, "FRAMES", static_cast<float>(options.frames));
    const std::uint32_t channels = options.analogChannels;
    params.Group(kAnalog, "ANALOG");
    params.Int(kAnalog, "USED", static_cast<std::uint16_t>(channels));
    params.Float(kAnalog, "RATE", options.pointRate * static_cast<float>(options.analogSamplesPerFrame));
    if (channels != 0) {
        params.Texts(kAnalog, "LABELS", Numbered("Ch", channels));
        params.Texts(kAnalog, "UNITS", std::vector<std::string>(channels, "V"));
        params.FloatList(kAnalog, "SCALE", std::vector<float>(channels, kAnalogScale));
        params.FloatList(kAnalog, "OFFSET", std::vector<float>(channels, 0.0f));
        params.Float(kAnalog, "GEN_SCALE", 1.0f);
    }
    return params.Blocks();
}

std::string Header(const C3dOptions& options, std::uint16_t dataBlock) {
    std::string header(kBlock, '\0');
    header[0] = 2;  // the parameter section's first block
    header[1] = 0x50;
    PutU16(header, 2, static_cast<std::uint16_t>(options.markers));
    PutU16(header, 4, static_cast<std::uint16_t>(options.analogChannels * options.analogSamplesPerFrame));
    PutU16(header, 6, 1);
    PutU16(header, 8, static_cast<std::uint16_t>(std::min<std::uint32_t>(options.frames, 0xffff)));
    PutFloat(header, 12, options.integers ? kIntegerPointScale : -1.0f);
    PutU16(header, 16, dataBlock);
    PutU16(header, 18, static_cast<std::uint16_t>(options.analogSamplesPerFrame));
    PutFloat(header, 20, options.pointRate);
    return header;
}

// Stored words, as floats or as 16-bit integers.
class Words {
  public:
    explicit Words(bool integers, std::string& to) : integers_(integers), to_(to) {}
    void Put(double value) {
        if (integers_) {
            AppendU16(to_, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                               std::clamp(std::lround(value), -32768L, 32767L))));
        } else {
            AppendFloat(to_, static_cast<float>(value));
        }
    }

  private:
    bool integers_;
    std::string& to_;
};

void AppendFrame(const C3dOptions& options, std::uint32_t frame, Words& words) {
    const double unit = options.integers ? kIntegerPointScale : 1.0;
    for (std::uint32_t m = 0; m < options.markers; ++m) {
        if ((frame + m) % 10 == 0) {
            for (int k = 0; k < 3; ++k) words.Put(0.0);
            words.Put(-1.0);
            continue;
        }
        const MarkerPosition at = MarkerAt(m, frame);
        words.Put(at.x / unit);
        words.Put(at.y / unit);
        words.Put(at.z / unit);
        words.Put(0.0);
    }
    const std::uint64_t first = std::uint64_t{frame} * options.analogSamplesPerFrame;
    for (std::uint32_t s = 0; s < options.analogSamplesPerFrame; ++s) {
        for (std::uint32_t c = 0; c < options.analogChannels; ++c) words.Put(StoredAnalogValue(c, first + s));
    }
}

}  // namespace

MarkerPosition MarkerAt(std::uint32_t marker, std::uint32_t frame) {
    return {marker * 10.0 + frame * 0.01, 1000.0 - frame * 0.02, 500.0 + marker};
}

int StoredAnalogValue(std::uint32_t channel, std::uint64_t sample) {
    return static_cast<int>(std::lround(1000.0 * std::sin(0.01 * static_cast<double>(sample) + channel)));
}

std::string GenerateC3d(const C3dOptions& options) {
    // The data start depends on the section's length only through a
    // fixed-size word: the section is sized once, then made for real.
    const std::uint16_t dataBlock =
        static_cast<std::uint16_t>(2 + ParameterSection(options, 0).size() / kBlock);
    std::string file = Header(options, dataBlock) + ParameterSection(options, dataBlock);
    const std::size_t wordBytes = options.integers ? 2 : 4;
    const std::size_t frameWords = std::size_t{options.markers} * 4 +
                                   std::size_t{options.analogChannels} * options.analogSamplesPerFrame;
    file.reserve(file.size() + frameWords * wordBytes * options.frames + kBlock);
    Words words(options.integers, file);
    for (std::uint32_t f = 0; f < options.frames; ++f) AppendFrame(options, f, words);
    file.resize((file.size() + kBlock - 1) / kBlock * kBlock, '\0');
    return file;
}

}  // namespace tovgen
