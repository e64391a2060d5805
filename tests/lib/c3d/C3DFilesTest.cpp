// Real C3D files of the shared corpus, their DEC and MIPS copies, and files
// the writer makes read back.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/lib/c3d/C3DBuild.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;

namespace {

std::filesystem::path Corpus(const char* name) {
    return std::filesystem::path(TOV_CORPUS_DIR) / "c3d" / name;
}

// What a take's header gives: units, rate, frames and start frame.
auto Header(const TRCFile& trc) {
    return std::tuple(trc.GetUnits(), trc.GetDataRate(), trc.GetNumFrames(), trc.GetStartFrame());
}

struct Position {
    std::uint32_t marker, frame;
    double x, y, z;
};

std::uint64_t Dropouts(const TRCFile& trc) {
    std::uint64_t dropouts = 0;
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        for (std::uint32_t f = 0; f < trc.GetNumRows(); ++f) {
            double x, y, z;
            if (!trc.GetMarker(m)->GetPosition(f, x, y, z)) ++dropouts;
        }
    }
    return dropouts;
}

// Every sample of `a` and `b` alike: the same validity, positions within
// `tolerance` relative.
void ExpectSameSamples(const TRCFile& a, const TRCFile& b, double tolerance) {
    ASSERT_EQ(a.GetNumMarkers(), b.GetNumMarkers());
    ASSERT_EQ(a.GetNumRows(), b.GetNumRows());
    int faults = 0;
    for (std::uint32_t m = 0; m < a.GetNumMarkers() && faults < 5; ++m) {
        EXPECT_EQ(a.GetMarker(m)->GetName(), b.GetMarker(m)->GetName());
        for (std::uint32_t f = 0; f < a.GetNumRows() && faults < 5; ++f) {
            double p[3], q[3];
            const bool valid = a.GetMarker(m)->GetPosition(f, p[0], p[1], p[2]);
            const bool validToo = b.GetMarker(m)->GetPosition(f, q[0], q[1], q[2]);
            bool same = valid == validToo;
            for (int i = 0; i < 3; ++i) same = same && std::abs(p[i] - q[i]) <= tolerance * std::abs(p[i]);
            if (!same) {
                ++faults;
                ADD_FAILURE() << "marker " << m << " frame " << f << ": " << p[0] << " vs " << q[0];
            }
        }
    }
}

// `bytes` of an Intel file as a file of `processor` holds them: the
// processor byte, the header's words, every offset word and number of the
// parameters, and the data section (floats, or 16-bit words when the
// scale is positive).
std::string Converted(std::string bytes, c3dtest::Processor processor) {
    using c3dtest::F32;
    using c3dtest::U16;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                          static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    auto f32 = [&](std::size_t at) {
        return std::bit_cast<float>(u16(at) | std::uint32_t{u16(at + 2)} << 16);
    };
    auto word = [&](std::size_t at) { bytes.replace(at, 2, U16(processor, u16(at))); };
    auto real = [&](std::size_t at) { bytes.replace(at, 4, F32(processor, f32(at))); };

    const float scale = f32(12);
    const std::size_t dataStart = (u16(16) - 1) * std::size_t{512};
    for (std::size_t at = dataStart; at + 4 <= bytes.size(); at += scale < 0 ? 4 : 2) {
        if (scale < 0) real(at); else word(at);
    }
    const std::size_t section = (static_cast<unsigned char>(bytes[0]) - 1) * std::size_t{512};
    bytes[section + 3] = static_cast<char>(processor);
    for (std::size_t at = section + 4;;) {
        const int nameLength = std::abs(static_cast<signed char>(bytes[at]));
        const int group = static_cast<signed char>(bytes[at + 1]);
        if (nameLength == 0) break;
        const std::size_t link = at + 2 + nameLength;
        const std::uint16_t step = u16(link);
        word(link);
        if (group > 0) {
            const int type = static_cast<signed char>(bytes[link + 2]);
            const int dims = static_cast<unsigned char>(bytes[link + 3]);
            std::size_t count = 1;
            for (int d = 0; d < dims; ++d) count *= static_cast<unsigned char>(bytes[link + 4 + d]);
            for (std::size_t i = 0; i < count && type > 1; ++i) {
                const std::size_t value = link + 4 + dims + i * type;
                if (type == 2) word(value); else real(value);
            }
        }
        if (step == 0) break;
        at = link + step;
    }
    for (int w : {2, 3, 4, 5, 6, 9, 10}) word(2 * (w - 1));
    real(12);
    real(20);
    return bytes;
}

// The count of each code found.
struct Codes : ReadObserver, std::map<ReadFindingCode, std::uint64_t> {
    void Found(const ReadFinding& finding) override { (*this)[finding.code] = finding.count; }
};

}  // namespace

// The values checked were read from the raw bytes by a throwaway script
// (Python's struct module), by the offsets the header and the parameters
// give: frame f, marker m at DATA_START + (f * (4 * points + analog values)
// + 4 * m) * word size, int words times POINT:SCALE; dropouts counted as
// negative residual words. Each file's frames are the last its data section
// holds whole, and its analog values a frame are the header's, ANALOG:USED
// times ANALOG:RATE / POINT:RATE alike.
TEST(C3DCorpus, RealFilesReadAsTheirBytesSay) {
    struct Case {
        const char* file;
        std::uint32_t markers;
        std::wstring firstLabel, lastLabel;
        std::int32_t rate, frames, startFrame;
        std::uint64_t dropouts, analogChannels, frameBytes;
        std::vector<Position> positions;  // one in the last frame that has any
    };
    const std::vector<Case> cases = {
        {"ezc3d-system-a.c3d", 51, L"boite:gauche_ext", L"Daphnee:LATH", 100, 580, 1, 305, 38, 3856,
         {{0, 0, 44.1627884, -276.861938, 675.696838},
          {50, 579, 623.751526, 610.844727, 99.6825867},
          {8, 100, 665.773132, 296.550018, 174.234894}}},
        {"ezc3d-system-b.c3d", 55, L"L_IAS", L"R_SAJ", 200, 340, 705, 0, 69, 3640,
         {{0, 0, -220.12262, 306.424805, 846.336121},
          {54, 339, 2198.34741, 12.1504097, 1302.31555},
          {10, 200, 1200.20862, 271.009277, 1449.32642}}},
        {"pyc3d-my-motion.c3d", 26, L"RFT1", L"pv4", 50, 450, 1, 226, 16, 336,
         {{0, 0, 248.583341, 226.83334, 37.4166678},
          {7, 200, 272.583341, 793.16669, 303.333342},
          {25, 300, 17.4166672, 1533.58338, 929.666694},
          {0, 449, 324.583343, 2248.00007, 33.750001}}},
        {"btk-ADemo1-pc-float.c3d", 24, L"L.Sac.Wand", L"R.Hip", 200, 512, 1, 85, 16, 512,
         {{0, 0, 1907.90002, -10.9000006, 891.900024},
          {5, 100, 550.5, -59.7999992, 499.100006},
          {23, 511, -1679.59998, 117.200005, 737.5}}},
        {"btk-sample10-type-4a.c3d", 25, L"RWRI", L"LKNE_2", 60, 360, 1, 6270, 20, 840,
         {{0, 66, -473.841013, -75.8262546, 821.636224},
          {5, 100, -188.834851, 541.365549, 779.543006},
          {20, 195, 1619.88733, 390.473057, 49.401068}}},
        {"btk-sample28-standing.c3d", 38, L"r should", L"l heel_2", 100, 200, 1, 1232, 6, 632,
         {{1, 0, 415.757599, 927.048462, 299.959595},
          {5, 100, 256.686035, 369.327301, 357.236786},
          {37, 198, 156.938019, 28.5232162, 140.130066}}},
    };
    if (!std::filesystem::is_directory(Corpus(""))) GTEST_SKIP() << "no corpus at " << Corpus("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TRCFile trc;
        Codes codes;
        ASSERT_EQ(ReadC3DFile(Corpus(c.file).string(), trc, {.findings = &codes}), L"");
        EXPECT_EQ(codes[ReadFindingCode::kC3dAnalogSkipped], c.analogChannels);
        for (const auto code : {ReadFindingCode::kC3dAnalogValues, ReadFindingCode::kC3dFramesMissing,
                                ReadFindingCode::kC3dParameterShort}) {
            EXPECT_EQ(codes.count(code), 0u);
        }
        ASSERT_EQ(trc.GetNumMarkers(), c.markers);
        EXPECT_EQ(trc.GetMarker(0)->GetName(), c.firstLabel);
        EXPECT_EQ(trc.GetMarker(c.markers - 1)->GetName(), c.lastLabel);
        EXPECT_EQ(Header(trc), std::tuple(kUnitsMillimetres, c.rate, c.frames, c.startFrame));
        EXPECT_EQ(trc.GetNumRows(), static_cast<std::uint32_t>(c.frames));
        EXPECT_EQ(Dropouts(trc), c.dropouts);
        for (const Position& p : c.positions) {
            double x, y, z;
            EXPECT_TRUE(trc.GetMarker(p.marker)->GetPosition(p.frame, x, y, z));
            EXPECT_NEAR(x, p.x, std::abs(p.x) * 1e-8 + 1e-9) << p.marker << "@" << p.frame;
            EXPECT_NEAR(y, p.y, std::abs(p.y) * 1e-8 + 1e-9) << p.marker << "@" << p.frame;
            EXPECT_NEAR(z, p.z, std::abs(p.z) * 1e-8 + 1e-9) << p.marker << "@" << p.frame;
        }

        // The same file as DEC and MIPS files (of an Intel file), and its
        // rows taken one at a time, read the same.
        const std::string bytes = tovtest::ReadBytes(Corpus(c.file));
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
        const bool intel = byte((byte(0) - 1) * std::size_t{512} + 3) == c3dtest::kIntel;
        for (const auto processor : {c3dtest::kDec, c3dtest::kMips}) {
            SCOPED_TRACE(processor);
            if (!intel) continue;
            TRCFile copy;
            ASSERT_EQ(ReadC3DMemory(Converted(bytes, processor), copy), L"");
            EXPECT_EQ(Header(copy), Header(trc));
            ExpectSameSamples(trc, copy, 0);
        }
        struct Count : TRCRowSink {
            bool Row(const TRCRow& row) override {
                for (std::size_t m = 0; m < row.size(); ++m) dropouts += row[m].valid ? 0 : 1;
                ++rows;
                return true;
            }
            std::uint64_t rows = 0, dropouts = 0;
        } count;
        TRCFile streamed;
        ASSERT_EQ(ReadC3DMemory(bytes, streamed, {.rows = &count}), L"");
        EXPECT_EQ(count.rows, static_cast<std::uint64_t>(c.frames));
        EXPECT_EQ(count.dropouts, c.dropouts);
        EXPECT_EQ(streamed.GetMarker(0)->GetNumSamples(), 0u);

        // Cut inside frame 30: the take is the 29 frames held, the last of
        // them as the whole file reads it.
        const std::size_t dataStart = (byte(16) + 256 * byte(17) - 1) * std::size_t{512};
        TRCFile cut;
        Codes cutCodes;
        const std::string cutBytes = bytes.substr(0, dataStart + 29 * c.frameBytes + c.frameBytes / 2);
        ASSERT_EQ(ReadC3DMemory(cutBytes, cut, {.findings = &cutCodes}), L"");
        EXPECT_EQ(cut.GetNumFrames(), 29);
        EXPECT_EQ(cutCodes[ReadFindingCode::kC3dFramesMissing], c.frames - 29u);
        TRCFile first29 = trc;
        first29.SetNumRows(29);
        ExpectSameSamples(first29, cut, 0);

        // Written and read back: every position within float precision.
        const tovtest::ScratchDir dir;
        const std::filesystem::path out = dir.Path() / "back.c3d";
        ASSERT_EQ(WriteC3DFile(tovtest::Wide(out), trc), L"");
        TRCFile back;
        ASSERT_EQ(ReadC3DFile(out.string(), back), L"");
        EXPECT_EQ(Header(back), Header(trc));
        ExpectSameSamples(trc, back, 1e-7);
    }
}

TEST(C3DWrite, MarkerModelsReadBack) {
    struct Case {
        const char* name;
        std::uint32_t markers;
        std::int32_t frames, rows, startFrame;
        CalibrationUnits units;
    };
    const std::vector<Case> cases = {
        {"no markers", 0, 5, 5, 1, kUnitsMillimetres},
        {"labels past 255", 300, 3, 3, 12, kUnitsCentimetres},
        {"rows short of the frame count", 2, 10, 4, 1, kUnitsInches},
        {"frames past 65,535", 1, 70001, 70001, 65000, kUnitsMetres},
    };
    const tovtest::ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRCFile model;
        model.SetStartFrame(c.startFrame);
        model.SetNumFrames(c.frames);
        model.SetDataRate(250);
        model.SetUnits(c.units);
        for (std::uint32_t m = 0; m < c.markers; ++m) {
            TRCMarker* marker = model.AddMarker(TRCMarker(L"Marker é" + std::to_wstring(m)));
            for (std::int32_t f = 0; f < c.rows; ++f) {
                if ((f + m) % 3 == 1) marker->AddDropout();
                else marker->AddPosition(m + 0.5, -f * 0.25, 1e5 + f);
            }
        }
        const std::filesystem::path out = dir.Path() / "model.c3d";
        ASSERT_EQ(WriteC3DFile(tovtest::Wide(out), model), L"");
        EXPECT_EQ(std::filesystem::file_size(out) % 512, 0u);
        TRCFile back;
        ASSERT_EQ(ReadC3DFile(out.string(), back), L"");
        EXPECT_EQ(Header(back), std::tuple(c.units, 250, c.frames, c.startFrame));
        ASSERT_EQ(back.GetNumMarkers(), c.markers);
        if (c.markers == 0) continue;
        EXPECT_EQ(back.GetNumRows(), static_cast<std::uint32_t>(c.frames));
        // Frames past the rows are dropouts.
        model.SetNumRows(static_cast<std::uint32_t>(c.frames));
        ExpectSameSamples(model, back, 1e-7);
    }
}

// A take whose parameter section would pass the 255 blocks a file holds is
// refused for what makes it long: the markers' labels, or the analog
// channels and force platforms beside them.
TEST(C3DWrite, ParametersPastWhatAFileHoldsAreRefusedForTheirCause) {
    struct Case {
        const char* name;
        std::uint32_t markers;  // each named with 250 letters
        std::size_t channels;   // each labelled and described with 40
        std::size_t platforms;  // of type 4, each with its 36 calibration values
        const wchar_t* refusal;  // none: written
    };
    const std::vector<Case> cases = {
        {"markers' labels", 600, 0, 0, kC3dTooManyMarkers},
        {"markers' labels beside channels", 600, 16, 0, kC3dTooManyMarkers},
        {"analog channels", 10, 3000, 0, kC3dTooManyChannels},
        {"force platforms", 360, 6, 222, kC3dTooManyChannels},
        {"all within it", 360, 16, 2, nullptr},
    };
    const tovtest::ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRCFile model;
        model.SetNumFrames(1);
        for (std::uint32_t m = 0; m < c.markers; ++m) {
            model.AddMarker(TRCMarker(std::wstring(245, L'm') + std::to_wstring(10000 + m)));
        }
        C3DAnalog analog;
        analog.samplesPerFrame = 1;
        analog.channels.assign(c.channels, {std::wstring(40, L'a'), std::wstring(40, L'd'), L"V"});
        ForcePlatform platform;
        platform.type = 4;
        platform.channels = {1, 2, 3, 4, 5, 6};
        platform.calibration.assign(36, 1.0);
        int error = 0;
        const std::unique_ptr<TextOutput> output =
            TextFiles().CreateOutput(tovtest::Wide(dir.Path() / "long.c3d"), error);
        ASSERT_TRUE(output);
        C3DStream stream(*output);
        stream.SetAnalog(analog, std::vector<ForcePlatform>(c.platforms, platform));
        const bool begun = stream.Begin(model);
        EXPECT_EQ(begun, c.refusal == nullptr);
        if (!begun) {
            EXPECT_STREQ(stream.Refusal(), c.refusal);
        }
        output->Discard();
    }
}
