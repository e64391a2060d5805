#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/text/FindingList.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/trc/MarkerCsv.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/trc/TRCWriter.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

// A sample where the marker was seen.
TRCSample Seen(double x, double y, double z) { return {.valid = true, .x = x, .y = y, .z = z}; }

// A model of `names`, each row i holding `sample(marker, i)`; the header
// claims `frames` frames (rows past the samples are dropouts).
template <typename SampleFn>
TRCFile Model(const std::vector<std::wstring>& names, std::uint32_t rows, std::int32_t frames,
              SampleFn sample) {
    TRCFile trc;
    for (std::uint32_t m = 0; m < names.size(); ++m) {
        TRCMarker* marker = trc.AddMarker(TRCMarker(names[m]));
        for (std::uint32_t i = 0; i < rows; ++i) marker->AddSample(sample(m, i));
    }
    trc.SetNumFrames(frames);
    return trc;
}

// Sample `row` of marker `m`, exact to the bit, as "x y z" in hexadecimal, or "-" for a
// dropout; with `finiteOnly`, a sample that is not finite is a dropout, as it is written.
std::string Exact(const TRCFile& trc, std::uint32_t m, std::uint32_t row, bool finiteOnly = false) {
    double x, y, z;
    const bool valid = trc.GetMarker(m)->GetPosition(row, x, y, z);
    const bool finite = std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
    if (!valid || (finiteOnly && !finite)) return "-";
    char text[100];
    std::snprintf(text, sizeof text, "%a %a %a", x, y, z);
    return text;
}

// Writes `trc` and reads it back with findings, their sentences in
// `findings`: every name, header value and sample must come back as written
// (a sample that is not finite as a dropout).
void ExpectRoundTrip(const TRCFile& trc, const std::string& what,
                     std::vector<std::string>& findings) {
    ScratchDir dir;
    const auto path = dir.Path() / "out.trc";
    ASSERT_EQ(WriteTRCFile(Wide(path), trc), L"") << what;
    TRCFile back;
    FindingList found;
    ASSERT_EQ(back.Read(Wide(path), {.findings = &found}), L"") << what;
    for (const ReadFinding& finding : found.All()) findings.push_back(FindingText(finding));
    const auto header = [](const TRCFile& t) {
        return std::tuple(t.GetUnits(), t.GetDataRate(), t.GetCameraRate(), t.GetStartFrame(),
                          t.GetNumFrames(), t.GetRowNumbering().firstFrame, t.GetRowNumbering().firstPeriods);
    };
    EXPECT_EQ(header(back), header(trc)) << what;
    EXPECT_EQ(back.GetNumRows(), static_cast<std::uint32_t>(trc.GetNumFrames())) << what;
    ASSERT_EQ(back.GetNumMarkers(), trc.GetNumMarkers()) << what;
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        EXPECT_EQ(back.GetMarker(m)->GetName(), trc.GetMarker(m)->GetName()) << what;
        for (std::uint32_t i = 0; i < back.GetNumRows(); ++i) {
            ASSERT_EQ(Exact(back, m, i), Exact(trc, m, i, true)) << what << ": marker " << m << " row " << i;
        }
    }
}

TEST(TRCWriterTest, WritesTheLayout) {
    TRCFile trc = Model({L"A", L"B b"}, 2, 3, [](std::uint32_t m, std::uint32_t i) {
        if (m == 1 && i == 1) return TRCSample{};
        return Seen(1.5 + i, -0.25, m == 0 ? 1e-7 : 1234567.125);
    });
    trc.SetDataRate(100);
    trc.SetCameraRate(120);
    trc.SetStartFrame(7);
    trc.SetUnits(kUnitsCentimetres);
    ScratchDir dir;
    ASSERT_EQ(WriteTRCFile(Wide(dir.Path() / "take.trc"), trc), L"");
    EXPECT_EQ(tovtest::ReadBytes(dir.Path() / "take.trc"),
              "PathFileType\t4\t(X/Y/Z)\ttake.trc\n"
              "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
              "OrigDataStartFrame\tOrigNumFrames\n"
              "100\t120\t3\t2\tcm\t100\t7\t3\n"
              "Frame#\tTime\tA\t\t\tB b\t\t\t\n"
              "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n"
              "\n"
              "7\t0.00000\t1.5\t-0.25\t0.0000001\t1.5\t-0.25\t1234567.125\n"
              "8\t0.01000\t2.5\t-0.25\t0.0000001\t\t\t\n"
              "9\t0.02000\t\t\t\t\t\t\n");
}

TEST(TRCWriterTest, ReadsBackExactly) {
    auto wave = [](std::uint32_t m, std::uint32_t i) {
        const double t = i * 0.731 + m;
        return Seen(1000 * std::sin(t), -std::cos(t) / 3, t * 1e-3 - 7.5);
    };
    auto dropouts = [](std::uint32_t, std::uint32_t) { return TRCSample{}; };
    // Values a C3D file's floats give, and awkward doubles.
    auto awkward = [](std::uint32_t m, std::uint32_t i) {
        const double values[] = {static_cast<double>(0.1f),    static_cast<double>(-1234.567f),
                                 1e-300,                       5e-324,
                                 -0.0,                         1e20,
                                 123456789012.345678,          0.1 + 0.2,
                                 std::nextafter(1.0, 2.0)};
        const double v = values[(i + m) % std::size(values)];
        return Seen(v, -v, v * 3);
    };
    auto holes = [](std::uint32_t m, std::uint32_t i) {
        if ((i + m) % 3 == 0) return TRCSample{};
        if (i % 5 == 1) return Seen(NAN, 1, 2);  // not writable: a dropout
        return Seen(i * 1.0, m * -2.0, 0.5);
    };
    struct Case {
        std::string what;
        TRCFile trc;
        std::int32_t start;
        CalibrationUnits units;
        std::int32_t rate;
        std::vector<std::string> findings;
    };
    const std::string unseen =
        "1 marker is never seen (\"LTOE\"): every sample a dropout or at the origin exactly";
    Case cases[] = {
        {"one marker", Model({L"M"}, 5, 5, wave), 1, kUnitsMillimetres, 60, {}},
        {"names with blanks, commas, UTF-8",
         Model({L"Left toe", L"a,b", L"Gr\u00fc\u00dfe \u6b65", L"\"q\""}, 4, 4, wave), 1,
         kUnitsMetres, 120, {}},
        {"start frame 0, inches", Model({L"A", L"B"}, 3, 3, wave), 0, kUnitsInches, 30, {}},
        {"negative start frame", Model({L"A", L"B"}, 3, 3, wave), -5, kUnitsCentimetres, 50, {}},
        {"awkward values", Model({L"A", L"B", L"C"}, 30, 30, awkward), 1, kUnitsMillimetres, 100, {}},
        {"dropouts and NaN", Model({L"A", L"B", L"C"}, 20, 20, holes), 1, kUnitsMillimetres, 100, {}},
        {"header claims more frames", Model({L"A", L"B"}, 3, 10, wave), 1, kUnitsMillimetres, 100, {}},
        {"frames past 65535", Model({L"A"}, 70000, 70000, wave), 1, kUnitsMillimetres, 1000, {}},
        {"no markers", Model({}, 0, 4, wave), 1, kUnitsMillimetres, 60, {}},
        {"rate 0", Model({L"A"}, 3, 3, wave), 1, kUnitsMillimetres, 0, {}},
        {"every sample a dropout", Model({L"LTOE"}, 6, 6, dropouts), 1, kUnitsMillimetres, 60,
         {unseen}},
    };
    for (Case& c : cases) {
        c.trc.SetStartFrame(c.start);
        c.trc.SetUnits(c.units);
        c.trc.SetDataRate(c.rate);
        c.trc.SetCameraRate(c.rate * 2);
        std::vector<std::string> findings;
        ExpectRoundTrip(c.trc, c.what, findings);
        EXPECT_EQ(findings, c.findings) << c.what;
    }
}

// Markers left out of a conversion are not written; a control character
// in a name would split its line and becomes "_".
TEST(TRCWriterTest, IncludedMarkersAndLineSafeNames) {
    TRCFile trc = Model({L"A", L"tab\there", L"C"}, 2, 2, [](std::uint32_t m, std::uint32_t i) {
        return Seen(double(m), double(i), 1);
    });
    trc.GetMarker(0)->SetIncluded(false);
    ScratchDir dir;
    const auto path = dir.Path() / "out.trc";
    ASSERT_EQ(WriteTRCFile(Wide(path), trc), L"");
    TRCFile back;
    ASSERT_EQ(back.Read(Wide(path)), L"");
    ASSERT_EQ(back.GetNumMarkers(), 2u);
    EXPECT_EQ(back.GetMarker(0)->GetName(), L"tab_here");
    EXPECT_EQ(back.GetMarker(1)->GetName(), L"C");
    EXPECT_EQ(Exact(back, 1, 1), Exact(trc, 2, 1));
}

TEST(TRCWriterTest, RefusedWrites) {
    ScratchDir dir;
    const auto existing = dir.Write("old.trc", "old");
    TRCFile late = Model({L"A"}, 1, 10, [](std::uint32_t, std::uint32_t) { return TRCSample{}; });
    late.SetStartFrame(2147483640);
    const TRCFile fine = Model({L"A"}, 1, 1, [](std::uint32_t, std::uint32_t) { return TRCSample{}; });
    const struct {
        std::filesystem::path path;
        const TRCFile* trc;
        std::wstring message;
    } cases[] = {
        {existing, &late, kTrcFramesUnnumbered},
        {dir.Path() / "no-such-folder" / "x.trc", &fine, kMarkerFileNotCreated},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WriteTRCFile(Wide(c.path), *c.trc), c.message);
        EXPECT_EQ(WriteMarkerCsvFile(Wide(c.path), *c.trc), c.message);
    }
    EXPECT_EQ(tovtest::ReadBytes(existing), "old");
}

// Every TRC file of the corpus the reader takes: written and read again,
// every name, header value and sample comes back as it was. The only
// findings are of what the model itself holds: markers never seen, markers
// without a name, rows numbered apart from the header's start frame where
// the source numbers them so.
TEST(TRCWriterTest, CorpusReadsBackExactly) {
    const auto files = tovtest::CorpusFiles("trc", ".trc");
    if (files.empty()) GTEST_SKIP() << "no corpus";
    int written = 0;
    for (const auto& file : files) {
        TRCFile trc;
        if (!trc.Read(Wide(file)).empty()) continue;
        trc.SetNumFrames(static_cast<std::int32_t>(trc.GetNumRows()));
        std::vector<std::string> findings;
        ExpectRoundTrip(trc, file.string(), findings);
        const bool numberedApart = trc.GetRowNumbering().firstFrame != trc.GetStartFrame();
        for (const std::string& text : findings) {
            EXPECT_TRUE(text.find("never seen") != std::string::npos ||
                        text.find("has no name") != std::string::npos ||
                        (numberedApart && text.find("the rows number their frames from " +
                                                    std::to_string(trc.GetRowNumbering().firstFrame)) !=
                                              std::string::npos))
                << file << ": " << text;
        }
        ++written;
    }
    EXPECT_GT(written, 0);
}

TEST(MarkerCsvTest, WritesOneLinePerFrameAndMarker) {
    TRCFile trc = Model({L"A", L"say \"hi\", B"}, 2, 3, [](std::uint32_t m, std::uint32_t i) {
        if (m == 1 && i == 1) return TRCSample{};
        return Seen(0.1 + i, -2.0, m * 1e-7);
    });
    trc.SetDataRate(3);
    trc.SetStartFrame(0);
    ScratchDir dir;
    ASSERT_EQ(WriteMarkerCsvFile(Wide(dir.Path() / "m.csv"), trc), L"");
    EXPECT_EQ(tovtest::ReadBytes(dir.Path() / "m.csv"),
              "frame,time_s,name,x_mm,y_mm,z_mm\n"
              "0,0,A,0.1,-2,0\n"
              "0,0,\"say \"\"hi\"\", B\",0.1,-2,0.0000001\n"
              "1,0.3333333333333333,A,1.1,-2,0\n"
              "1,0.3333333333333333,\"say \"\"hi\"\", B\",,,\n"
              "2,0.6666666666666666,A,,,\n"
              "2,0.6666666666666666,\"say \"\"hi\"\", B\",,,\n");
}

TEST(MarkerCsvTest, QuotesNamesThatNeedIt) {
    const struct {
        std::wstring name;
        std::string field;
    } cases[] = {
        {L"LFHD", "LFHD"},
        {L"left toe", "left toe"},
        {L"a,b", "\"a,b\""},
        {L"6\" mark", "\"6\"\" mark\""},
        {L"two\nlines", "\"two\nlines\""},
        {L"cr\r", "\"cr\r\""},
        {L"Gr\u00fc\u00dfe", "Gr\xc3\xbc\xc3\x9f" "e"},
        {L"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MarkerCsvField(c.name), c.field);
}

}  // namespace
