// C3D files converted to C3D keep their analog channels and force
// platforms; marker outputs that hold neither say what they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/convert/Conversion.h"

namespace {

using namespace tovfileio;
namespace fs = std::filesystem;

struct AnalogTake {
    C3DAnalog analog;
    std::vector<ForcePlatform> platforms;
    TRCFile points;
};

AnalogTake ReadAnalog(const fs::path& path) {
    AnalogTake take;
    C3DReadOptions options;
    options.analog = &take.analog;
    options.platforms = &take.platforms;
    EXPECT_EQ(ReadC3DFile(path.string(), take.points, options), L"") << path;
    return take;
}

// Within one float step of `expected` rounded to a float: what a value
// stored as a float reads back as.
::testing::AssertionResult WithinFloatStep(double actual, double expected) {
    const float rounded = static_cast<float>(expected);
    const double step = std::nextafter(std::abs(rounded), std::numeric_limits<float>::infinity()) -
                        std::abs(rounded);
    if (std::abs(actual - expected) <= step) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected << " to a float step";
}

// The platforms of a copy against its source's, their lengths times `factor`.
void ExpectSamePlatforms(const std::vector<ForcePlatform>& copy, const std::vector<ForcePlatform>& source,
                         double factor) {
    ASSERT_EQ(copy.size(), source.size());
    for (std::size_t p = 0; p < source.size(); ++p) {
        const ForcePlatform& was = source[p];
        const ForcePlatform& is = copy[p];
        EXPECT_EQ(is.type, was.type);
        EXPECT_EQ(is.channels, was.channels);
        EXPECT_EQ(is.zero, was.zero);
        for (int k = 0; k < 12; ++k) {
            EXPECT_TRUE(WithinFloatStep(is.corners[k / 3][k % 3], was.corners[k / 3][k % 3] * factor));
        }
        for (int k = 0; k < 3; ++k) EXPECT_TRUE(WithinFloatStep(is.origin[k], was.origin[k] * factor));
        ASSERT_EQ(is.calibration.size(), was.calibration.size());
        for (std::size_t k = 0; k < was.calibration.size(); ++k) {
            EXPECT_TRUE(WithinFloatStep(is.calibration[k], was.calibration[k]));
        }
    }
}

// The numbers of a CSV file's lines after the first; an empty field (no
// value) is NaN.
std::vector<std::vector<double>> CsvNumbers(const fs::path& path) {
    std::vector<std::vector<double>> lines;
    std::istringstream text(tovtest::ReadBytes(path));
    std::string line;
    std::getline(text, line);  // the column names
    while (std::getline(text, line)) {
        std::vector<double>& fields = lines.emplace_back();
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell.empty() ? std::nan("") : std::stod(cell));
        }
    }
    return lines;
}

class C3DCopyTest : public ::testing::Test {
protected:
    ConversionResult Run(const fs::path& in, const std::string& out, FileKind outKind,
                         C3dContent content = C3dContent::kMarkers,
                         std::vector<CleaningStep> cleaning = {}) const {
        ConversionRequest request;
        request.in = in.string();
        request.inKind = FileKind::kC3d;
        request.out = tovtest::Wide(Scratch(out));
        request.outKind = outKind;
        request.content = content;
        request.cleaning = std::move(cleaning);
        request.acceptMisread = true;
        return Convert(request);
    }
    fs::path Scratch(const std::string& name) const { return scratch_.Path() / name; }
    static fs::path Corpus(const std::string& name) { return tovtest::CorpusDir() / "c3d" / name; }

    tovtest::ScratchDir scratch_;
};

TEST_F(C3DCopyTest, ChannelsPlatformsAndForcesComeThroughACopy) {
    const char* files[] = {"ezc3d-system-b.c3d", "pyc3d-my-motion.c3d",     "ezc3d-system-a.c3d",
                           "btk-sample28-standing.c3d", "btk-ADemo1-pc-float.c3d",
                           "btk-sample10-type-4a.c3d"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        if (!fs::exists(Corpus(name))) continue;
        const ConversionResult copied = Run(Corpus(name), "copy.c3d", FileKind::kC3d);
        ASSERT_TRUE(copied.Succeeded());
        EXPECT_TRUE(copied.notes.empty());
        const AnalogTake source = ReadAnalog(Corpus(name));
        const AnalogTake copy = ReadAnalog(Scratch("copy.c3d"));

        ASSERT_FALSE(source.analog.channels.empty());
        ASSERT_EQ(copy.analog.channels.size(), source.analog.channels.size());
        for (std::size_t c = 0; c < source.analog.channels.size(); ++c) {
            EXPECT_EQ(copy.analog.channels[c].label, source.analog.channels[c].label);
            EXPECT_EQ(copy.analog.channels[c].units, source.analog.channels[c].units);
            EXPECT_EQ(copy.analog.channels[c].description, source.analog.channels[c].description);
        }
        EXPECT_EQ(copy.analog.rate, static_cast<float>(source.analog.rate));
        EXPECT_EQ(copy.analog.samplesPerFrame, source.analog.samplesPerFrame);
        ASSERT_EQ(copy.analog.samples.size(), source.analog.samples.size());
        std::size_t off = 0;
        for (std::size_t i = 0; i < source.analog.samples.size(); ++i) {
            if (!WithinFloatStep(copy.analog.samples[i], source.analog.samples[i]) && off++ < 3) {
                ADD_FAILURE() << "sample value " << i << ": "
                              << WithinFloatStep(copy.analog.samples[i], source.analog.samples[i]).message();
            }
        }
        EXPECT_EQ(off, 0u);

        ExpectSamePlatforms(copy.platforms, source.platforms, 1.0);

        ASSERT_TRUE(Run(Corpus(name), "source-forces.csv", FileKind::kCsv, C3dContent::kForces).Succeeded());
        ASSERT_TRUE(Run(Scratch("copy.c3d"), "copy-forces.csv", FileKind::kCsv, C3dContent::kForces).Succeeded());
        const auto was = CsvNumbers(Scratch("source-forces.csv"));
        const auto is = CsvNumbers(Scratch("copy-forces.csv"));
        ASSERT_EQ(is.size(), was.size());
        // Float rounding of the channels errs by a part of the loads on the
        // plate, not of one component: a moment that cancels to 0 in the
        // source may come out a few millionths off in the copy. Each value
        // is held to 1e-4 of the largest of its column.
        std::vector<double> largest(was.empty() ? 0 : was[0].size(), 0.0);
        for (const auto& fields : was) {
            for (std::size_t f = 0; f < fields.size() && f < largest.size(); ++f) {
                if (!std::isnan(fields[f])) largest[f] = std::max(largest[f], std::abs(fields[f]));
            }
        }
        off = 0;
        for (std::size_t line = 0; line < was.size(); ++line) {
            ASSERT_EQ(is[line].size(), was[line].size());
            for (std::size_t f = 0; f < was[line].size(); ++f) {
                const double tolerance = 1e-4 * largest[f];
                const bool same = std::isnan(was[line][f]) ? std::isnan(is[line][f])
                                                           : std::abs(is[line][f] - was[line][f]) <= tolerance;
                if (!same && off++ < 3) {
                    ADD_FAILURE() << "line " << line + 2 << " field " << f + 1 << ": " << is[line][f]
                                  << " against " << was[line][f];
                }
            }
        }
        EXPECT_EQ(off, 0u);
    }
}

TEST_F(C3DCopyTest, AKeptRangeKeepsTheSamplesOfItsFrames) {
    if (!fs::exists(Corpus("ezc3d-system-b.c3d"))) GTEST_SKIP() << "corpus missing";
    CleaningStep range;
    range.kind = CleaningStep::Kind::kKeepFrames;
    range.from = 710;  // the take starts at frame 705
    range.to = 719;
    ASSERT_TRUE(Run(Corpus("ezc3d-system-b.c3d"), "range.c3d", FileKind::kC3d, C3dContent::kMarkers, {range})
                    .Succeeded());
    const AnalogTake source = ReadAnalog(Corpus("ezc3d-system-b.c3d"));
    const AnalogTake copy = ReadAnalog(Scratch("range.c3d"));
    EXPECT_EQ(copy.points.GetStartFrame(), 710);
    EXPECT_EQ(copy.platforms.size(), source.platforms.size());
    const std::size_t frameValues = source.analog.samplesPerFrame * source.analog.channels.size();
    ASSERT_EQ(copy.analog.samples.size(), 10 * frameValues);
    for (std::size_t i = 0; i < copy.analog.samples.size(); ++i) {
        ASSERT_TRUE(WithinFloatStep(copy.analog.samples[i], source.analog.samples[5 * frameValues + i])) << i;
    }
}

// Corners and origins are lengths of the point unit: converted with it.
TEST_F(C3DCopyTest, PlatformLengthsFollowTheUnitsOfThePoints) {
    if (!fs::exists(Corpus("ezc3d-system-b.c3d"))) GTEST_SKIP() << "corpus missing";
    ConversionRequest request;
    request.in = Corpus("ezc3d-system-b.c3d").string();
    request.inKind = FileKind::kC3d;
    request.out = tovtest::Wide(Scratch("metres.c3d"));
    request.outKind = FileKind::kC3d;
    request.units = kUnitsMetres;
    ASSERT_TRUE(Convert(request).Succeeded());
    const AnalogTake source = ReadAnalog(Corpus("ezc3d-system-b.c3d"));
    const AnalogTake copy = ReadAnalog(Scratch("metres.c3d"));
    ExpectSamePlatforms(copy.platforms, source.platforms, 1e-3);
}

TEST_F(C3DCopyTest, MarkerOutputsSayWhatTheyLeave) {
    struct Case {
        const char* file;
        FileKind out;
        const char* note;
    } cases[] = {
        {"ezc3d-system-b.c3d", FileKind::kTrc,
         "69 analog channels and 2 force platforms not written: a TRC file holds markers only "
         "(convert --analog or --forces writes them to CSV)"},
        {"ezc3d-system-a.c3d", FileKind::kGwm,
         "38 analog channels not written: a GWM file holds markers only (convert --analog or "
         "--forces writes them to CSV)"},
        {"btk-sample28-standing.c3d", FileKind::kCsv, "force platform"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!fs::exists(Corpus(c.file))) continue;
        const ConversionResult result = Run(Corpus(c.file), "out", c.out);
        ASSERT_TRUE(result.Succeeded());
        ASSERT_FALSE(result.notes.empty());
        EXPECT_NE(result.notes.back().find(c.note), std::string::npos) << result.notes.back();
    }
}

// A C3D file without analog channels copies to the same bytes.
TEST_F(C3DCopyTest, AFileWithoutAnalogChannelsCopiesUnchanged) {
    TRCFile take;
    take.SetDataRate(100);
    take.SetNumFrames(3);
    take.AddMarker(TRCMarker(L"M1"));
    for (std::uint32_t f = 0; f < 3; ++f) take.GetMarker(0)->AddPosition(1.5 * f, 2.0, -3.0);
    take.SetNumRows(3);
    ASSERT_EQ(WriteC3DFile(tovtest::Wide(Scratch("plain.c3d")), take), L"");
    const ConversionResult copied = Run(Scratch("plain.c3d"), "copy.c3d", FileKind::kC3d);
    ASSERT_TRUE(copied.Succeeded());
    EXPECT_TRUE(copied.notes.empty());
    EXPECT_EQ(tovtest::ReadBytes(Scratch("copy.c3d")), tovtest::ReadBytes(Scratch("plain.c3d")));
}

}  // namespace
