// The analog channels and force platforms of C3D files: files built byte by
// byte in every processor form, and the corpus files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/lib/c3d/C3DBuild.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;
using c3dtest::Build;

namespace {

struct Codes : ReadObserver, std::map<ReadFindingCode, std::uint64_t> {
    void Found(const ReadFinding& finding) override { (*this)[finding.code] = finding.count; }
};

// Keeps what a sink is told: each frame's number and values.
struct Frames : AnalogSink {
    explicit Frames(std::size_t values) : values(values) {}
    void Frame(const AnalogFrame& frame) override {
        numbers.push_back(frame.frame);
        samples.insert(samples.end(), frame.values, frame.values + values);
    }
    std::size_t values;
    std::vector<std::int64_t> numbers;
    std::vector<double> samples;
};

std::string Text(const std::vector<std::string>& items, std::size_t width) {
    std::string text;
    for (const std::string& item : items) text += (item + std::string(width, ' ')).substr(0, width);
    return text;
}

}  // namespace

// Three frames of one point; the analog block holds `channels` channels of
// two samples each when ANALOG:RATE is twice POINT:RATE (or one), the
// values running sample by sample.
TEST(C3DAnalog, ChannelsAndSamplesAsTheParametersSay) {
    using P = c3dtest::Processor;
    struct Case {
        const char* name;
        bool isFloat;
        std::uint16_t points, channels, samplesPerFrame;
        std::vector<float> stored;  // the analog values of all frames, as stored
        std::function<std::vector<Build::Extra>(P)> extras;
        std::vector<std::wstring> labels;
        double rate;
        std::vector<double> values;  // first frame's, then the last frame's
    };
    auto f32s = [](P p, std::vector<float> v) {
        std::string data;
        for (float x : v) data += c3dtest::F32(p, x);
        return data;
    };
    auto i16s = [](P p, std::vector<int> v) {
        std::string data;
        for (int x : v) data += c3dtest::U16(p, static_cast<std::uint16_t>(x));
        return data;
    };
    const std::vector<Case> cases = {
        // (stored - OFFSET) * SCALE * GEN_SCALE: (-5 - 1) * 2 * 0.5, (7 + 3) * 0.5 * 0.5.
        {"signed words", false, 1, 2, 1, {-5, 7, 0, 0, 100, -100},
         [&](P p) {
             return std::vector<Build::Extra>{{3, "SCALE", 4, {2}, f32s(p, {2, 0.5f})},
                                              {3, "OFFSET", 2, {2}, i16s(p, {1, -3})},
                                              {3, "GEN_SCALE", 4, {}, f32s(p, {0.5f})},
                                              {3, "LABELS", -1, {2, 2}, "FxFy"}};
         },
         {L"Fx", L"Fy"}, 100, {-6, 2.5, 99, -24.25}},
        // 65000 is 65000 unsigned (-536 signed), an OFFSET of 40000 40000
        // (-25536): 65000 - 2048 and 1000 - 40000.
        {"unsigned words", false, 1, 2, 1, {65000, 1000, 0, 0, 2049, 40001},
         [&](P p) {
             return std::vector<Build::Extra>{{3, "FORMAT", -1, {8}, "UNSIGNED"},
                                              {3, "OFFSET", 2, {2}, i16s(p, {2048, 40000})}};
         },
         {L"Analog1", L"Analog2"}, 100, {62952, -39000, 1, 1}},
        {"floats, two samples a frame", true, 1, 2, 2, {1.5f, -2, 3, 4, 0, 0, 0, 0, 10, 20, 30, 40},
         [&](P p) {
             return std::vector<Build::Extra>{{3, "SCALE", 4, {2}, f32s(p, {2, -1})},
                                              {3, "OFFSET", 2, {2}, i16s(p, {1, 0})},
                                              {3, "RATE", 4, {}, f32s(p, {200})}};
         },
         {L"Analog1", L"Analog2"}, 200, {1, 2, 4, -4, 18, -20, 58, -40}},
        // LABELS holds two (one blank, one repeated by LABELS2), LABELS2 the
        // third; no SCALE or OFFSET; no points, so frames are read for
        // their analog values alone.
        {"labels continued, no scale", true, 0, 3, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9},
         [&](P) {
             return std::vector<Build::Extra>{{3, "LABELS", -1, {4, 2}, Text({"", "EMG "}, 4)},
                                              {3, "LABELS2", -1, {4, 1}, "EMG "},
                                              {3, "UNITS", -1, {2, 3}, "mVmVV "}};
         },
         {L"Analog1", L"EMG", L"EMG_2"}, 100, {1, 2, 3, 7, 8, 9}},
    };
    for (const Case& c : cases) {
        for (const P processor : {c3dtest::kIntel, c3dtest::kDec, c3dtest::kMips}) {
            SCOPED_TRACE(testing::Message() << c.name << " " << processor);
            Build b;
            b.processor = processor;
            b.scale = c.isFloat ? -1.0f : 1.0f;
            b.points = c.points;
            b.last = 3;
            b.analogChannels = c.channels;
            b.analogValues = static_cast<std::uint16_t>(c.channels * c.samplesPerFrame);
            b.analog = c.stored;
            b.extras = c.extras(processor);
            b.frames.assign(3, std::vector<std::array<float, 4>>(c.points, {1, 2, 3, 0}));
            const std::string bytes = b.Bytes();

            TRCFile trc;
            C3DAnalog analog;
            Codes codes;
            ASSERT_EQ(ReadC3DMemory(bytes, trc, {.findings = &codes, .analog = &analog}), L"");
            EXPECT_EQ(codes.count(ReadFindingCode::kC3dAnalogSkipped), 0u);
            EXPECT_EQ(trc.GetNumRows(), c.points != 0 ? 3u : 0u);
            EXPECT_EQ(analog.rate, c.rate);
            EXPECT_EQ(analog.samplesPerFrame, c.samplesPerFrame);
            ASSERT_EQ(analog.channels.size(), c.labels.size());
            for (std::size_t i = 0; i < c.labels.size(); ++i) EXPECT_EQ(analog.channels[i].label, c.labels[i]);
            const std::size_t frameValues = c.values.size() / 2;
            ASSERT_EQ(analog.samples.size(), 3 * frameValues);
            EXPECT_EQ(analog.SampleCount(), 3u * c.samplesPerFrame);
            for (std::size_t i = 0; i < frameValues; ++i) {
                EXPECT_EQ(analog.samples[i], c.values[i]) << i;
                EXPECT_EQ(analog.samples[2 * frameValues + i], c.values[frameValues + i]) << i;
            }

            // Frame by frame to a sink, numbered as the file numbers them.
            Frames frames(frameValues);
            C3DAnalog streamed;
            ASSERT_EQ(ReadC3DMemory(bytes, trc, {.analog = &streamed, .analogFrames = &frames}), L"");
            EXPECT_EQ(frames.numbers, (std::vector<std::int64_t>{1, 2, 3}));
            EXPECT_EQ(frames.samples, analog.samples);
            EXPECT_TRUE(streamed.samples.empty());
        }
    }
}

// Not asked for, the analog values are skipped as before; asked for, their
// samples count against the memory limit unless a sink takes them.
TEST(C3DAnalog, SkippedUnlessAskedAndHeldToTheMemoryLimit) {
    Build b;
    b.points = 1;
    b.last = 50;
    b.analogChannels = 4;
    b.analogValues = 40;
    b.analogRate = 1000;
    b.frames.assign(50, {{1, 2, 3, 0}});
    const std::string bytes = b.Bytes();
    TRCFile trc;
    Codes codes;
    ASSERT_EQ(ReadC3DMemory(bytes, trc, {.findings = &codes}), L"");
    EXPECT_EQ(codes[ReadFindingCode::kC3dAnalogSkipped], 4u);

    // 50 frames of 40 values are 16,000 bytes of samples, beside the
    // points' 50 samples.
    const std::uint64_t pointBytes = 50 * sizeof(TRCSample);
    C3DAnalog analog;
    EXPECT_EQ(ReadC3DMemory(bytes, trc, {.memoryLimit = pointBytes + 16000, .analog = &analog}), L"");
    EXPECT_EQ(analog.samples.size(), 2000u);
    EXPECT_EQ(analog.samples.back(), 12345.0);
    EXPECT_EQ(ReadC3DMemory(bytes, trc, {.memoryLimit = pointBytes + 15999, .analog = &analog}),
              kC3dOutOfMemory);
    Frames frames(40);
    EXPECT_EQ(ReadC3DMemory(bytes, trc,
                            {.memoryLimit = pointBytes + 320, .analog = &analog, .analogFrames = &frames}),
              L"");
    EXPECT_EQ(frames.numbers.size(), 50u);
}

// The corpus files' channels and platforms; each sample value worked out
// from the file's bytes by hand (Python's struct module): frame f, sample
// s, channel c at DATA_START + f * frame bytes + points * 4 words +
// (s * ANALOG:USED + c) words, its stored word or float less OFFSET, times
// SCALE and GEN_SCALE. btk-sample10-type-4a is a DEC file: VAX floats.
TEST(C3DAnalog, CorpusFilesReadAsTheirBytesSay) {
    struct Value {
        std::uint64_t frame, sample, channel;
        double value;
    };
    struct Case {
        const char* file;
        std::size_t channels;
        double rate;
        std::uint32_t samplesPerFrame;
        std::uint64_t frames;
        std::wstring firstLabel, firstUnits;
        std::vector<int> platformTypes;
        std::vector<std::uint32_t> firstPlatformChannels;
        std::vector<Value> values;
    };
    const std::vector<Case> cases = {
        // Offsets 15216 and 51912; ANALOG:RATE absent would give 2000 too.
        {"ezc3d-system-b.c3d", 69, 2000, 10, 340, L"FP1_FX", L"V", {2, 2}, {58, 59, 60, 61, 62, 63},
         {{0, 0, 0, -0.30968189239501953}, {10, 1, 5, -0.27733278274536133}}},
        // Integer words: offsets 5328 (2110) and 8730 (2076), OFFSET 2048,
        // GEN_SCALE 0.5: (2110 - 2048) * -0.86 * 0.5.
        {"pyc3d-my-motion.c3d", 16, 200, 4, 450, L"FX1", L"nt", {2, 2}, {1, 2, 3, 4, 5, 6},
         {{0, 0, 0, -26.660000443458557}, {10, 1, 5, -1300.6000213623047}}},
        // Offsets 15152 and 53884.
        {"ezc3d-system-a.c3d", 38, 2000, 20, 580, L"Voltage.1", L"V", {}, {},
         {{0, 0, 0, -0.022051572799682617}, {10, 1, 5, 0.010813087224960327}}},
        // No ANALOG:RATE: the points' 100 times one sample a frame. Offset
        // 128432: frame 199's Fz.
        {"btk-sample28-standing.c3d", 6, 100, 1, 200, L"Fx1", L"", {1}, {1, 2, 3, 4, 5, 6},
         {{199, 0, 2, -578.962890625}}},
        // Offsets 4480 (180.0) and 9684 (80.0), SCALE 0.1.
        {"btk-ADemo1-pc-float.c3d", 16, 400, 2, 512, L"R.Quads", L"mV", {3},
         {9, 10, 11, 12, 13, 14, 15, 16},
         {{0, 0, 0, 180.0 * double(0.1f)}, {10, 1, 5, 80.0 * double(0.1f)}}},
        // DEC words: offsets 4296 (2055) and 306494 (1972), OFFSET 2047.
        {"btk-sample10-type-4a.c3d", 20, 960, 16, 360, L"F1X", L"N", {4, 4}, {1, 2, 3, 4, 5, 6},
         {{0, 0, 0, -0.48828125}, {359, 15, 19, -0.18315018969587982}}},
    };
    const std::filesystem::path corpus = tovtest::CorpusDir() / "c3d";
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TRCFile trc;
        C3DAnalog analog;
        std::vector<ForcePlatform> platforms;
        ASSERT_EQ(ReadC3DFile((corpus / c.file).string(), trc, {.analog = &analog, .platforms = &platforms}),
                  L"");
        ASSERT_EQ(analog.channels.size(), c.channels);
        EXPECT_EQ(analog.rate, c.rate);
        EXPECT_EQ(analog.samplesPerFrame, c.samplesPerFrame);
        EXPECT_EQ(analog.SampleCount(), c.frames * c.samplesPerFrame);
        EXPECT_EQ(analog.channels[0].label, c.firstLabel);
        EXPECT_EQ(analog.channels[0].units, c.firstUnits);
        for (const Value& v : c.values) {
            EXPECT_DOUBLE_EQ(analog.samples[(v.frame * c.samplesPerFrame + v.sample) * c.channels + v.channel],
                             v.value)
                << v.frame << "/" << v.sample << "/" << v.channel;
        }
        ASSERT_EQ(platforms.size(), c.platformTypes.size());
        for (std::size_t p = 0; p < platforms.size(); ++p) EXPECT_EQ(platforms[p].type, c.platformTypes[p]);
        if (!platforms.empty()) {
            EXPECT_EQ(platforms[0].channels, c.firstPlatformChannels);
        }
    }
}

// What FORCE_PLATFORM gives each platform, by its place: corners, origin,
// channels, the calibration of a type 4 and the baseline range.
TEST(C3DAnalog, ForcePlatformsOfTheCorpus) {
    const std::filesystem::path file = tovtest::CorpusDir() / "c3d" / "btk-sample10-type-4a.c3d";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << file;
    TRCFile trc;
    std::vector<ForcePlatform> platforms;
    ASSERT_EQ(ReadC3DFile(file.string(), trc, {.platforms = &platforms}), L"");
    ASSERT_EQ(platforms.size(), 2u);
    const ForcePlatform& second = platforms[1];
    EXPECT_EQ(second.channels, (std::vector<std::uint32_t>{7, 8, 9, 10, 11, 12}));
    EXPECT_FLOAT_EQ(float(second.corners[0][0]), 533.4f);
    EXPECT_FLOAT_EQ(float(second.corners[2][1]), 579.0f);
    EXPECT_FLOAT_EQ(float(second.origin[1]), -0.04f);
    EXPECT_FLOAT_EQ(float(second.origin[2]), -44.0f);
    EXPECT_EQ(second.zero, (std::array<std::int32_t, 2>{1, 10}));
    ASSERT_EQ(second.calibration.size(), 36u);
    EXPECT_FLOAT_EQ(float(platforms[0].calibration[0]), 3.054f);
    EXPECT_FLOAT_EQ(float(platforms[0].calibration[21]), 1627.0f);
    EXPECT_FLOAT_EQ(float(second.calibration[0]), 1.505f);
    EXPECT_TRUE(second.copPolynomial.empty());
}

// A frame whose analog block is longer than the reader's pieces (1,000
// channels of 300 samples: 1.2 MB of floats) reads as a short one does.
TEST(C3DAnalog, FramesLongerThanAReadPiece) {
    Build b;
    b.points = 1;
    b.last = 2;
    b.analogChannels = 1000;
    b.analogRate = 30000;
    std::string bytes = b.Bytes();
    const std::uint32_t values = 1000 * 300;
    for (std::uint32_t f = 0; f < 2; ++f) {
        for (float v : {1.0f, 2.0f, 3.0f, 0.0f}) bytes += c3dtest::F32(c3dtest::kIntel, v);
        for (std::uint32_t i = 0; i < values; ++i) bytes += c3dtest::F32(c3dtest::kIntel, float(f * values + i));
    }
    TRCFile trc;
    C3DAnalog analog;
    ASSERT_EQ(ReadC3DMemory(bytes, trc, {.analog = &analog}), L"");
    ASSERT_EQ(trc.GetNumRows(), 2u);
    ASSERT_EQ(analog.samples.size(), 2u * values);
    for (const std::uint32_t at : {0u, 261999u, 262000u, values - 1, values, 2 * values - 1}) {
        EXPECT_EQ(analog.samples[at], at) << at;
    }
    EXPECT_EQ(analog.channels[999].label, L"Analog1000");
}
