#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/support/FindingCheck.h"
#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"
#include "trc/TRCFields.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

const std::wstring kNotXYZ = L"The file is does not have a compatible \"(X/Y/Z)\" header state";
const std::wstring kTooBig = L"There is not enough memory to read the file";

const std::string kLine1 = "PathFileType\t4\t(X/Y/Z)\twalk.trc\n";
const std::string kLine2 = "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                           "OrigDataStartFrame\tOrigNumFrames\n";
const std::string kLine3 = "100\t120\t3\t2\tmm\t100\t7\t3\n";
const std::string kLine5 = "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n";

// A file with the standard first five lines around the given marker line,
// then `rest` (line 6 on).
std::string Trc(const std::string& markerLine, const std::string& rest) {
    return kLine1 + kLine2 + kLine3 + markerLine + "\n" + kLine5 + rest;
}

// Reads `text` from a file of its own.
std::wstring Read(const std::string& text, TRCFile& trc) {
    const ScratchDir dir;
    return trc.Read(Wide(dir.Write("test.trc", text)));
}

std::vector<std::wstring> Names(const TRCFile& trc) {
    std::vector<std::wstring> names;
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) names.push_back(trc.GetMarker(i)->GetName());
    return names;
}

// "x,y,z" for a valid sample, "-" for a dropout.
std::string SampleText(const TRCSample& sample) {
    if (!sample.valid) return "-";
    char text[96];
    std::snprintf(text, sizeof text, "%g,%g,%g", sample.x, sample.y, sample.z);
    return text;
}

std::string Sample(const TRCFile& trc, std::uint32_t marker, std::uint32_t row) {
    TRCSample sample;
    sample.valid = trc.GetMarker(marker)->GetPosition(row, sample.x, sample.y, sample.z);
    return SampleText(sample);
}

// A marker's samples, however many, through copies, moves, cuts and
// growth: the first is held in place and the rest apart, which no caller
// may tell.
TEST(TRCMarkerTest, SamplesSurviveCopiesMovesAndCuts) {
    struct Case { std::size_t samples, first, count; };
    const Case cases[] = {{0, 0, 0},  {1, 0, 1},   {1, 1, 0}, {2, 1, 1},
                          {5, 1, 3},  {40, 0, 40}, {40, 39, 5}};
    const auto filled = [](std::size_t n) {
        TRCMarker marker(L"M");
        for (std::size_t i = 0; i < n; ++i) {
            i % 4 == 3 ? marker.AddDropout() : marker.AddPosition(double(i), -double(i), 0.5 * i);
        }
        return marker;
    };
    const auto text = [](const TRCMarker& marker) {
        std::string out;
        for (const TRCSample& sample : marker.Samples()) out += SampleText(sample) + " ";
        return out;
    };
    for (const Case& c : cases) {
        const TRCMarker original = filled(c.samples);
        ASSERT_EQ(original.GetNumSamples(), c.samples);
        TRCMarker copy = original;
        TRCMarker assigned(L"other");
        assigned = filled(3);
        assigned = copy;
        TRCMarker moved = std::move(copy);
        EXPECT_EQ(text(moved), text(original)) << c.samples;
        EXPECT_EQ(text(assigned), text(original)) << c.samples;
        moved.AddPosition(7, 8, 9);
        EXPECT_EQ(text(assigned), text(original)) << "a copy changes on its own";

        // Cut to the samples from `first`, as the reference cut of a vector does.
        TRCMarker cut = filled(c.samples);
        cut.KeepSamples(c.first, c.count);
        const std::size_t from = std::min(c.first, c.samples);
        const std::size_t kept = std::min(c.count, c.samples - from);
        std::string expected;
        for (std::size_t i = from; i < from + kept; ++i) {
            expected += SampleText(original.Samples()[i]) + " ";
        }
        EXPECT_EQ(text(cut), expected) << c.samples << " from " << c.first;
        double x, y, z;
        EXPECT_FALSE(cut.GetPosition(static_cast<std::uint32_t>(kept), x, y, z));
        EXPECT_EQ(x + y + z, 0.0);
    }
}

TEST(TRCReaderTest, HeaderLines) {
    // What a read gives: data rate, camera rate, frames, start frame, units and markers.
    const auto header = [](const TRCFile& trc) {
        return std::to_string(trc.GetDataRate()) + " " + std::to_string(trc.GetCameraRate()) + " " +
               std::to_string(trc.GetNumFrames()) + " " + std::to_string(trc.GetStartFrame()) + " " +
               CalibrationUnitsKeyword(trc.GetUnits()) + " " + std::to_string(trc.GetNumMarkers());
    };
    struct Case { std::string line1, line3; std::wstring message; const char* read; };
    const std::vector<Case> cases = {
        {kLine1, kLine3, L"", "100 120 3 7 mm 1"},
        {"PathFileType\t3\t(X/Y/Z)\n", "59.94\t0\t-3\t0\tIN\n", L"", "59 0 -3 11 in 1"},
        {"PathFileType\t5\t(X/Y/Z)\n", "60\t60\t1\t1\tm\t60\t9\n", L"", "60 60 1 1 m 1"},
        // Past the last tab, field 7 reads as the last field again: "Cm" is 0.
        {"PathFileType\t4\t(X/Y/Z)\n", "60\t60\t1\t1\tCm\n", L"", "60 60 1 0 mm 1"},
        {"PathFileType\t4\t(x/y/z)\n", kLine3, kNotXYZ, "60 60 0 1 mm 0"},
        {"PathFileType  4\t(X/Y/Z) C:\\w.trc\n", kLine3, kNotXYZ, "60 60 0 1 mm 0"},
        {"PathFileType\t4\t(X/Y/Z)", kLine3, L"", "100 120 3 7 mm 1"},
    };
    for (const Case& c : cases) {
        TRCFile trc;
        const std::string text = c.line1 + (c.line1.back() == '\n' ? "" : "\n") + kLine2 +
                                 c.line3 + "F\tT\tA\t\t\t\n" + kLine5 + "\n11\t0\t1\t2\t3\n";
        EXPECT_EQ(Read(text, trc), c.message) << c.line1;
        EXPECT_EQ(header(trc), c.read) << c.line1;
    }
}

// The first row's Frame# and Time number and time the rows, apart from the
// header's start frame (7 here); times printed to a few decimals, or under a
// rate the header rounds, are whole periods.
TEST(TRCReaderTest, FirstRowNumbersAndTimesTheRows) {
    struct Case { std::string rate, row; std::int64_t frame; double periods; };
    const std::vector<Case> cases = {
        {"100", "1\t0.01", 1, 1.0},           // the row's own number, not the header's 7
        {"60", "19\t0.30000", 19, 18.0},      // time from frame 1 at 0
        {"120", "1\t0.00833", 1, 1.0},        // five decimals of 1/120
        {"119", "1\t0.008342", 1, 1.0},       // a 119.88 Hz take under a rate of 119
        {"60", "-2\t-0.0333", -2, -2.0},
        {"200", "1\t0.0041", 1, 0.82},        // not a whole period: kept as it is
        {"100", "\t0.01", 7, 0.0},            // no frame number: the start frame, at 0
        {"100", "3\t", 7, 0.0},               // no time: likewise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        TRCFile trc;
        const std::string line3 = c.rate + "\t120\t3\t2\tmm\t100\t7\t3\n";
        ASSERT_EQ(Read(kLine1 + kLine2 + line3 + "F\tT\tA\t\t\t\n" + kLine5 + "\n" + c.row + "\t1\t2\t3\n", trc), L"");
        EXPECT_EQ(trc.GetStartFrame(), 7);
        EXPECT_EQ(trc.GetRowNumbering().firstFrame, c.frame);
        EXPECT_NEAR(trc.GetRowNumbering().firstPeriods, c.periods, 1e-12);
    }
}

TEST(TRCReaderTest, MarkerLine) {
    struct Case { const char* line; std::vector<std::wstring> names; };
    const Case cases[] = {
        {"Frame#\tTime\tA\t\t\tB\t\t", {L"A", L"B"}},
        {"Frame#\tTime\tA\t\t\tB", {L"A"}},  // a last name without a tab is not read
        {"Frame#\tTime\tUnnamed3\t\t\tunnamed3\t\t\tMyUnnamed\t\t\t",
         {L"unnamed3", L"MyUnnamed"}},
        {"Frame#\tTime\tA\t\t\tA\t\t\t", {L"A"}},
        {"Frame#\tTime\t", {}},
        {"Frame#\tTime\t\t\t\tB\t\t\t", {L"", L"B"}},
        // An empty line 4 gives its number to line 5, whose titles become names.
        {"", {L"X1", L"X2"}},
    };
    for (const Case& c : cases) {
        TRCFile trc;
        ASSERT_EQ(Read(Trc(c.line, ""), trc), L"") << c.line;
        EXPECT_EQ(Names(trc), c.names) << c.line;
    }
    // Enough names that the names seen are looked through many times over:
    // each is kept the first time only, however far apart the two are.
    std::string line = "Frame#\tTime";
    std::vector<std::wstring> kept;
    for (int i = 0; i < 500; ++i) {
        line += "\tN" + std::to_string(i) + "\t\t";
        kept.push_back(L"N" + std::to_wstring(i));
    }
    for (int i = 499; i >= 0; i -= 3) line += "\tN" + std::to_string(i) + "\t\t";
    line += "\tLast\t\t";
    kept.push_back(L"Last");
    TRCFile trc;
    ASSERT_EQ(Read(Trc(line, ""), trc), L"");
    EXPECT_EQ(Names(trc), kept);
}

TEST(TRCReaderTest, RowsAndDropouts) {
    // Left-out names keep their columns: the kept markers read their own.
    const std::string markerLine = "Frame#\tTime\tA\t\t\tUnnamed1\t\t\tA\t\t\tB\t\t\tC\t\t\t";
    const std::string rows =
        "\n"
        "1\t0.0\t1\t2\t3\t9\t9\t9\t8\t8\t8\t4\t5\t6\t7\t8\t9\n"
        "2\t0.1\t\t\t\t9\t9\t9\t8\t8\t8\t-4\t\t6e1\t NaN\t1,5\t x\n"  // dropout; empty y
        "3\t0.2\t1\t2\t3\t9\t9\t9\t8\t8\t8\t4\n"                      // short row
        "4\t0.3\t\t1\t2\n"
        "\n";                                                           // empty last line
    TRCFile trc;
    ASSERT_EQ(Read(Trc(markerLine, rows), trc), L"");
    EXPECT_EQ(Names(trc), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(trc.GetNumRows(), 5u);
    const std::vector<std::vector<std::string>> expected = {
        {"1,2,3", "4,5,6", "7,8,9"},
        {"-", "-4,0,60", "0,1,0"},
        {"1,2,3", "4,4,4", "4,4,4"},
        {"-", "2,2,2", "2,2,2"},
        {"-", "-", "-"},
    };
    for (std::uint32_t row = 0; row < expected.size(); ++row) {
        for (std::uint32_t m = 0; m < 3; ++m) {
            EXPECT_EQ(Sample(trc, m, row), expected[row][m]) << "row " << row << " marker " << m;
        }
    }
    EXPECT_EQ(Sample(trc, 0, 5), "-");  // beyond the rows
    EXPECT_EQ(trc.GetMarker(0)->GetNumSamples(), 5u);
    EXPECT_EQ(trc.GetMarker(3), nullptr);
}

// Each row as a sink sees it: how many markers it holds columns for, and
// where its first ten markers stand.
class RowsSeen : public TRCRowSink {
public:
    bool Row(const TRCRow& row) override {
        held.push_back(row.Held().size());
        std::vector<std::string> where;
        for (std::size_t m = 0; m < row.size() && m < 10; ++m) where.push_back(SampleText(row[m]));
        samples.push_back(where);
        rests.push_back(row.Rest());
        return true;
    }
    std::vector<std::size_t> held;
    std::vector<std::vector<std::string>> samples;
    std::vector<TRCSample> rests;
};

// The count of each kind of finding.
class FindingCounts : public ReadObserver {
public:
    void Found(const ReadFinding& finding) override { counts[finding.code] = finding.count; }
    std::map<ReadFindingCode, std::uint64_t> counts;
};

// A field that says NaN makes its sample a dropout when the reader is
// asked to; otherwise it reads as 0, as any text does. Fields that only
// start like it are text either way.
TEST(TRCReaderTest, NaNFieldsAreDropoutsWhenAsked) {
    const std::string markerLine = "Frame#\tTime\tA\t\t\tB\t\t\t";
    const struct { const char* fields; const char* asDropouts; const char* asText; } rows[] = {
        {"NaN\tNaN\tNaN\t1\t2\t3", "- 1,2,3", "0,0,0 1,2,3"},
        {"1\tnan\t3\t4\t5\t6", "- 4,5,6", "1,0,3 4,5,6"},
        {"  -NaN \t2\t3\t+nAn\t5\t6", "- -", "0,2,3 0,5,6"},
        {"1\t2\t3\tNAN", "1,2,3 -", "1,2,3 0,0,0"},  // trimmed: B reads the last field
        {"nano\t1\t2\tna\t2\t3", "0,1,2 0,2,3", "0,1,2 0,2,3"},
    };
    std::string text = "\n";
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        text += std::to_string(r + 1) + "\t0\t" + rows[r].fields + "\n";
    }
    for (const bool dropouts : {true, false}) {
        TRCFile trc;
        FindingCounts counts;
        const TRCReadOptions options{.findings = &counts, .nanIsDropout = dropouts};
        ASSERT_EQ(trc.ReadMemory(Trc(markerLine, text), options), L"");
        for (std::uint32_t r = 0; r < std::size(rows); ++r) {
            EXPECT_EQ(Sample(trc, 0, r) + " " + Sample(trc, 1, r),
                      dropouts ? rows[r].asDropouts : rows[r].asText) << rows[r].fields;
        }
        // Only the fields that are not NaN count as text when NaN is a dropout.
        EXPECT_EQ(counts.counts[ReadFindingCode::kTextInNumbers], dropouts ? 2u : 11u);
        EXPECT_EQ(counts.counts[ReadFindingCode::kTrcNanDropouts], dropouts ? 5u : 0u);
    }
}

TEST(TRCReaderTest, TrimmedRowsGoToSinksAsShortAsTheyAre) {
    // A row that ends before its markers' columns holds only what it read;
    // the markers past its end share one sample, as the kept model has it.
    const std::string markerLine = "Frame#\tTime\tA\t\t\tUnnamed1\t\t\tB\t\t\tC\t\t\t";
    const struct { const char* row; std::size_t held; std::vector<std::string> samples; } rows[] = {
        {"1\t0.5", 0, {"0.5,0.5,0.5", "0.5,0.5,0.5", "0.5,0.5,0.5"}},
        {"2\t0.5\t", 1, {"-", "-", "-"}},
        {"3\t0\t1\t2", 1, {"1,2,2", "2,2,2", "2,2,2"}},
        {"4\t0\t1\t2\t3\t9", 1, {"1,2,3", "9,9,9", "9,9,9"}},  // ends in a left-out column
        {"5\t0\t1\t2\t3\t9\t9\t9\t4\t5\t6\t7\t8\t9", 3, {"1,2,3", "4,5,6", "7,8,9"}},
        {"6\t0\tx", 1, {"0,0,0", "0,0,0", "0,0,0"}},
    };
    std::string text = "\n";
    for (const auto& r : rows) text += std::string(r.row) + "\n";
    TRCFile kept, streamed;
    ASSERT_EQ(Read(Trc(markerLine, text), kept), L"");
    RowsSeen seen;
    FindingCounts counts;
    ASSERT_EQ(streamed.ReadMemory(Trc(markerLine, text), {&counts, &seen}), L"");
    ASSERT_EQ(seen.held.size(), std::size(rows));
    for (std::uint32_t r = 0; r < std::size(rows); ++r) {
        EXPECT_EQ(seen.held[r], rows[r].held) << rows[r].row;
        EXPECT_EQ(seen.samples[r], rows[r].samples) << rows[r].row;
        for (std::uint32_t m = 0; m < 3; ++m) EXPECT_EQ(Sample(kept, m, r), rows[r].samples[m]);
    }
    // Every coordinate that read "x" counts, the shared ones too; a row
    // ending in a tab is short without a field read again.
    EXPECT_EQ(counts.counts[ReadFindingCode::kTextInNumbers], 9u);
    EXPECT_EQ(counts.counts[ReadFindingCode::kTrcShortRows], 4u);

    // A marker seen only through a shared sample is seen.
    FindingCounts unseen;
    const std::string originThenFive =
        "\n1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n2\t0\t0\t0\t0\t9\t9\t9\t5\n";
    ASSERT_EQ(streamed.ReadMemory(Trc(markerLine, originThenFive), {&unseen, nullptr}), L"");
    EXPECT_EQ(unseen.counts[ReadFindingCode::kTrcMarkersUnseen], 1u);

    // Rows of a frame number and a time under many names: each holds no
    // column, however many markers there are.
    std::string names = "Frame#\tTime";
    for (int i = 0; i < 100000; ++i) names += "\tM" + std::to_string(i) + "\t\t";
    RowsSeen many;
    ASSERT_EQ(streamed.ReadMemory(Trc(names, "\n1\t0.5\n2\t0.5\n"), {&counts, &many}), L"");
    EXPECT_EQ(many.held, (std::vector<std::size_t>{0, 0}));
    EXPECT_EQ(many.rests[1].x, 0.5);
}

TEST(TRCReaderTest, CommentAndEmptyLinesGiveTheirNumberAway) {
    struct Case { const char* name; std::string text; std::uint32_t rows; std::string first; };
    // Lines 3 and 4, the five header lines, and two data rows.
    const std::string mid = kLine3 + "F\tT\tA\t\t\t\n", top = kLine1 + kLine2 + mid + kLine5;
    const std::string row = "1\t0\t4\t5\t6\n", row2 = "2\t0\t7\t8\t9\n";
    const Case cases[] = {
        {"comment at line 2", kLine1 + "# note\n" + kLine2 + mid + kLine5 + "\n" + row, 1, "4,5,6"},
        // Only once: a comment after a comment is read as the line itself.
        {"two comments", kLine1 + "#a\n#b\n" + mid + kLine5 + "\n" + row, 1, "4,5,6"},
        {"one-character line 6", top + "x\n" + row, 1, "4,5,6"},
        {"data at line 6", top + row, 1, "4,5,6"},
        {"empty line among rows", top + "\n" + row + "\n" + row2, 2, "4,5,6"},
        {"line 5 missing", kLine1 + kLine2 + mid + "\n" + row + row2, 1, "7,8,9"},
        {"only the header", top, 0, "-"},
    };
    for (const Case& c : cases) {
        TRCFile trc;
        ASSERT_EQ(Read(c.text, trc), L"") << c.name;
        EXPECT_EQ(trc.GetNumRows(), c.rows) << c.name;
        // Rows counted without their fields read are the same rows.
        TRCFile counted;
        RowsSeen none;
        ASSERT_EQ(counted.ReadMemory(c.text, {.rows = &none, .countRowsOnly = true}), L"") << c.name;
        EXPECT_EQ(counted.GetNumRows(), c.rows) << c.name;
        EXPECT_TRUE(none.held.empty()) << c.name;
        ASSERT_EQ(trc.GetNumMarkers(), 1u) << c.name;
        EXPECT_EQ(Sample(trc, 0, 0), c.first) << c.name;
    }
    TRCFile trc;
    EXPECT_EQ(Read("", trc), L"");
    EXPECT_EQ(trc.GetNumMarkers(), 0u);
}

TEST(TRCReaderTest, PathsUnitsAndScale) {
    ScratchDir dir;
    const std::string text = Trc("F\tT\tA\t\t\t", "\n1\t0\t1\t2\t3\n2\t0\t\t\t\n");
    dir.Write("w\xc3\xa4lk.TRC", text);
    TRCFile trc;
    EXPECT_EQ(trc.ReadMemory(Trc("F\tT\tA\t\t\t", "\n1\t0\t1\t2\t3\n")), L"");
    EXPECT_EQ(trc.GetNumRows(), 1u);
    // A UTF-8 path is opened as it is given: no extension is appended.
    EXPECT_EQ(trc.ReadFile((dir.Path() / "w\xc3\xa4lk.TRC").string()), L"");
    EXPECT_EQ(trc.ReadFile((dir.Path() / "w\xc3\xa4lk").string()), L"The file could not be opened");
    EXPECT_EQ(trc.GetNumRows(), 2u);  // untouched by the failed open

    const struct { CalibrationUnits from, to; double factor; } conversions[] = {
        {kUnitsInches, kUnitsMillimetres, 25.4},  // factors as for HTR, checked there
        {kUnitsMetres, kUnitsMetres, 1.0},
    };
    for (const auto& c : conversions) {
        std::string withUnits = text;
        withUnits.replace(withUnits.find("\tmm\t"), 4,
                          std::string("\t") + CalibrationUnitsKeyword(c.from) + "\t");
        ASSERT_EQ(Read(withUnits, trc), L"");
        trc.ConvertUnits(c.to);
        EXPECT_EQ(trc.GetUnits(), c.to);
        double x, y, z;
        EXPECT_TRUE(trc.GetMarker(0)->GetPosition(0, x, y, z));
        EXPECT_EQ(z, 3.0 * c.factor);
        EXPECT_FALSE(trc.GetMarker(0)->GetPosition(1, x, y, z));
        EXPECT_EQ(x + y + z, 0.0);
    }
    trc.Scale(-2.0);
    EXPECT_EQ(Sample(trc, 0, 0), "-2,-4,-6");
    EXPECT_EQ(Sample(trc, 0, 1), "-");
    EXPECT_EQ(trc.GetUnits(), kUnitsMetres);
    EXPECT_EQ(trc.AddMarker(TRCMarker(L"A")), nullptr);
    ASSERT_NE(trc.AddMarker(TRCMarker(L"B")), nullptr);
    trc.Reset();
    EXPECT_EQ(trc.GetNumMarkers(), 0u);
    EXPECT_EQ(trc.GetCameraRate(), 120);  // kept by Reset
}

// TRC files that no one should trust: every one ends with a model or the
// reader's own message, in bounded time and memory, and every finding of it
// is whole.
TEST(TRCHostileTest, EveryInputEndsWithAModelOrAMessage) {
    const std::string valid = Trc("Frame#\tTime\tA\t\t\tB\t\t\t",
                                  "\n1\t0.00\t1\t2\t3\t4\t5\t6\n2\t0.01\t\t\t\t4\t5\t6\n"
                                  "3\t0.02\t1e400\t-nan\t0x1p3\tNaN\t\t\n");
    TRCFile trc;
    for (const auto& input : tovtest::HostileInputs(valid)) {
        const std::wstring message = Read(input.bytes, trc);
        EXPECT_TRUE(message.empty() || message == kNotXYZ || message == kTooBig) << input.name;
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            EXPECT_EQ(trc.GetMarker(m)->GetNumSamples(), trc.GetNumRows()) << input.name;
        }
        tovtest::FindingCheck check(FileKind::kTrc);
        EXPECT_EQ(trc.ReadMemory(input.bytes, {.findings = &check}), message) << input.name;
        EXPECT_EQ(check.faults, 0) << input.name << ", code " << check.firstFault;
    }
    for (std::size_t length = 0; length <= valid.size(); ++length) {
        const std::wstring message = Read(valid.substr(0, length), trc);
        EXPECT_TRUE(message.empty() || message == kNotXYZ) << "cut at " << length;
    }
    ASSERT_EQ(Read(tovtest::Utf16(valid, true), trc), L"");
    EXPECT_EQ(trc.GetNumRows(), 3u);
}

TEST(TRCHostileTest, ManyMarkersAndShortRowsStayWithinTheFileSize) {
    TRCFile trc;
    // A million marker names and a header claiming billions: what is there
    // is read. A hundred thousand rows of a frame number would need 3 TB for
    // their missing samples: more than any machine, so they are refused.
    std::string names = "Frame#\tTime";
    for (int i = 0; i < 1000000; ++i) names += "\tM" + std::to_string(i) + "\t\t";
    std::string file = "PathFileType\t4\t(X/Y/Z)\n-\n"
                       "2000000000\t1\t2000000000\t2000000000\tmm\t1\t1\n" +
                       names + "\t\n\n\n";
    ASSERT_EQ(Read(file, trc), L"");
    EXPECT_EQ(trc.GetNumMarkers(), 1000000u);
    EXPECT_EQ(trc.GetNumRows(), 0u);
    for (int i = 0; i < 100000; ++i) file += "1\n";
    EXPECT_EQ(Read(file, trc), kTooBig);
    EXPECT_LT(trc.GetNumRows(), 100000u);
}

// The columns of a line's fields counted in one pass agree with counting
// each from the line's start, on wide lines and on UTF-8 bytes with
// multi-byte characters, bytes that are not UTF-8 and blanks before fields.
template <typename Char>
void ExpectColumnsAgree(std::basic_string_view<Char> line, const std::string& name) {
    trcfields::FieldWalk<Char> walk(line);
    trcfields::ColumnCounter<Char> counter(line);
    std::vector<std::uint64_t> counted, fromStart;
    while (true) {
        const auto field = trcfields::Trim(walk.Take());
        if (!field.empty()) {
            counted.push_back(counter.ColumnOf(field.data()));
            fromStart.push_back(trcfields::ColumnOf(line, field.data()));
        }
        if (!walk.HasTab()) break;
        walk.Skip();
    }
    EXPECT_EQ(counted, fromStart) << name;
}

TEST(TRCFieldsTest, ColumnsCountedInOnePassAgreeWithColumnsFromTheStart) {
    const std::string lines[] = {
        "Frame#\tTime\tLFHD\t\t\tRFHD\t\t\tC7",
        "\t\t\xC3\xA9t\xC3\xA9\t\t\t\xE6\x97\xA5\xE6\x9C\xAC\t\t\t\xF0\x9F\x98\x80x\tend",
        // A sequence cut short by a tab, a stray continuation byte and a
        // lead byte at the very end.
        "a\xE2\x82\tb\x80\xBF\t  blank\t\xFF\xFE\tlast\xE2",
        "\t \t  \t\xC3",
    };
    for (const std::string& line : lines) {
        ExpectColumnsAgree<char>(line, line);
        const std::wstring wide = trcfields::Widen(std::string_view(line));
        ExpectColumnsAgree<wchar_t>(wide, line);
    }
}

}  // namespace
