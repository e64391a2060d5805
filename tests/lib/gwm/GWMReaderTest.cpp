#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/FindingCheck.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/gwm/GWMReader.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

const std::string kHeader =
    "$Comments\tGWM file generated from TRC file by\n"
    "$Comments\tTovelund TOVFileIO plugin\n\n"
    "$Filename   x\n"
    "$DateTime   Thu Jan  1 00:00:00 1970\n\n";

// A GWM text of markers A and B, two frames from frame 7, with `points` as
// the rows.
std::string Gwm(const std::string& points, const std::string& order = "A B \n") {
    return kHeader +
           "$FirstFrame 7\n$LastFrame 8\n$NumFrames 2\n$NumMarkers 2\n$CaptureRate 120\n"
           "$Rate 100\n\n$Order\n" +
           order + "\n$Points\n" + points;
}

TRCSample At(const TRCFile& trc, std::uint32_t m, std::uint32_t row) {
    TRCSample s;
    s.valid = trc.GetMarker(m)->GetPosition(row, s.x, s.y, s.z);
    return s;
}

// Each sample as a TRCRowSink sees it.
class Rows : public TRCRowSink {
public:
    bool Row(const TRCRow& row) override {
        for (std::size_t m = 0; m < row.size(); ++m) samples.push_back(row[m]);
        return true;
    }
    std::vector<TRCSample> samples;
};

// TRC files through our GWM writer and back through the reader: the names,
// rate, frames and start frame as the TRC file has them, and every position
// the TRC's turned to Z-up, within the six decimals written.
TEST(GWMReaderTest, ReadsWhatTheWriterWrites) {
    std::vector<std::filesystem::path> sources = {std::filesystem::path(TOV_SOURCE_DIR) /
                                                  "samples" / "walk.trc"};
    for (const auto& file : tovtest::CorpusFiles("trc", ".trc")) sources.push_back(file);
    ScratchDir dir;
    const auto gwm = dir.Path() / "out.gwm";
    int compared = 0;
    for (const auto& source : sources) {
        TRCFile trc;
        if (!trc.Read(Wide(source)).empty() || !GWMFramesNumbered(trc)) continue;
        // The names line is split at blanks: a file of several markers
        // with a blank in a name does not read back.
        bool blanks = false;
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            blanks = blanks || trc.GetMarker(m)->GetName().find_first_of(L" \t\n\r") != std::wstring::npos ||
                     trc.GetMarker(m)->GetName().empty();
        }
        if (blanks && trc.GetNumMarkers() > 1) continue;
        ASSERT_TRUE(WriteGWMFile(Wide(gwm), trc, ConvertGWMSettings())) << source;
        TRCFile back;
        tovtest::FindingCheck findings(FileKind::kGwm);
        GWMReadOptions options;
        options.findings = &findings;
        ASSERT_EQ(ReadGWMFile(gwm.string(), back, options), L"") << source;
        EXPECT_EQ(findings.faults, 0) << source;
        EXPECT_EQ(back.GetDataRate(), trc.GetDataRate()) << source;
        EXPECT_EQ(back.GetCameraRate(), trc.GetCameraRate()) << source;
        EXPECT_EQ(back.GetStartFrame(), trc.GetStartFrame()) << source;
        EXPECT_EQ(back.GetNumFrames(), trc.GetNumFrames()) << source;
        EXPECT_EQ(back.GetUnits(), kUnitsMillimetres) << source;
        ASSERT_EQ(back.GetNumMarkers(), trc.GetNumMarkers()) << source;
        const auto frames = static_cast<std::uint32_t>(std::max(trc.GetNumFrames(), 0));
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            EXPECT_EQ(back.GetMarker(m)->GetName(), trc.GetMarker(m)->GetName()) << source;
            ASSERT_EQ(back.GetMarker(m)->GetNumSamples(), frames) << source;
            for (std::uint32_t i = 0; i < frames; ++i) {
                const TRCSample read = GWMSampleToYUp(At(back, m, i));
                const TRCSample was = At(trc, m, i);
                ASSERT_EQ(read.valid, was.valid) << source << " " << m << " " << i;
                if (!was.valid) continue;
                // Six decimals: within half a millionth, and the float
                // rounding of large values.
                const double tolerance = 5e-7 + 1e-15 * std::fabs(was.x + was.y + was.z);
                EXPECT_NEAR(read.x, was.x, tolerance);
                EXPECT_NEAR(read.y, was.y, tolerance);
                ASSERT_NEAR(read.z, was.z, tolerance) << source << " " << m << " " << i;
            }
        }
        ++compared;
    }
    EXPECT_GT(compared, 0);
}

// Rows streamed to a sink are the rows the model keeps, and the model then
// holds no samples.
TEST(GWMReaderTest, RowsToASink) {
    const std::string text =
        Gwm("7\t1.000000\t-3.000000\t2.000000\tDROPOUT\t\n\n8\tDROPOUT\t4\t5\t6.5\t\n\n");
    TRCFile kept, streamed;
    ASSERT_EQ(ReadGWMMemory(text, kept), L"");
    Rows rows;
    GWMReadOptions options;
    options.rows = &rows;
    ASSERT_EQ(ReadGWMMemory(text, streamed, options), L"");
    EXPECT_EQ(streamed.GetNumRows(), 2u);
    EXPECT_EQ(streamed.GetMarker(0)->GetNumSamples(), 0u);
    ASSERT_EQ(rows.samples.size(), 4u);
    for (std::uint32_t i = 0; i < 4; ++i) {
        const TRCSample k = At(kept, i % 2, i / 2), s = rows.samples[i];
        EXPECT_EQ(std::tie(k.valid, k.x, k.y, k.z), std::tie(s.valid, s.x, s.y, s.z)) << i;
    }
    EXPECT_EQ(At(kept, 1, 1).z, 6.5);
    EXPECT_FALSE(At(kept, 1, 0).valid);
}

TEST(GWMReaderTest, RefusesMalformedFiles) {
    const std::string rows = "7\t1\t2\t3\t4\t5\t6\t\n\n8\tDROPOUT\tDROPOUT\t\n\n";
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text;
        std::wstring message;
    } cases[] = {
        {"", L"The file is empty"},
        {"\n\n", L"Line 2: the file ends before \"$Points\""},
        {"PathFileType\t4\t(X/Y/Z)\n",
         L"Line 1, column 1: the header holds \"PathFileType\t4\t(X/Y/Z)\" where a \"$\" keyword "
         L"belongs"},
        {replaced(Gwm(rows), "$Rate 100", "$Rate 1e2"),
         L"Line 12, column 7: \"$Rate\" takes a whole number up to 2147483647, not \"1e2\""},
        {replaced(Gwm(rows), "$NumFrames 2", "$NumFrames -2"),
         L"Line 9, column 12: \"$NumFrames\" takes a whole number from 0 up to 2147483647, not "
         L"\"-2\""},
        {replaced(Gwm(rows), "$Rate 100\n", "$Rate 100\n$Rate 50\n"),
         L"Line 13, column 1: \"$Rate\" is given twice, first on line 12"},
        {replaced(Gwm(rows), "$LastFrame 8", "$LastFrame 9"),
         L"Line 17: \"$LastFrame\" 9 is not the last of 2 frames from 7"},
        {replaced(Gwm(rows), "$NumFrames 2\n", ""),
         L"Line 16, column 1: \"$Points\" comes before \"$NumFrames\""},
        {replaced(Gwm(rows), "$Order\nA B \n", ""),
         L"Line 15, column 1: \"$Points\" comes before \"$Order\""},
        {Gwm(rows, "A B C \n"), L"Line 15: \"$Order\" names more than 2 markers, the count "
                                L"\"$NumMarkers\" gives"},
        {Gwm(rows, "A \n"), L"Line 15: \"$Order\" names fewer than 2 markers, the count "
                            L"\"$NumMarkers\" gives"},
        {Gwm(rows, "A A \n"), L"Line 15: the marker name \"A\" is given twice"},
        {Gwm("8\t1\t2\t3\t4\t5\t6\t\n"), L"Line 18, column 1: frame 7 belongs here, not \"8\""},
        {Gwm("7\t1\t2\t3\t4\t5\t\n"),
         L"Line 18, column 13: \"\" stands where a coordinate or \"DROPOUT\" belongs"},
        {Gwm("7\t1\t2\t3\t4\t5"),
         L"Line 18, column 12: the row ends inside the position of marker 2"},
        {Gwm("7\t1\t2\t3"), L"Line 18, column 8: the row ends before the position of marker 2"},
        {Gwm("7\t1\t2\tx3\tDROPOUT\t\n"),
         L"Line 18, column 7: \"x3\" stands where a coordinate or \"DROPOUT\" belongs"},
        {Gwm("7\t1\t2\tnan\tDROPOUT\t\n"),
         L"Line 18, column 7: \"nan\" stands where a coordinate or \"DROPOUT\" belongs"},
        {Gwm("7\tdropout\tDROPOUT\t\n"),
         L"Line 18, column 3: \"dropout\" stands where a coordinate or \"DROPOUT\" belongs"},
        {Gwm("7\tDROPOUT\tDROPOUT\t9\t\n"),
         L"Line 18, column 19: the row holds more than the positions of its 2 markers"},
        {Gwm(rows + "9\tDROPOUT\tDROPOUT\t\n"),
         L"Line 22, column 1: a row beyond the 2 frames \"$NumFrames\" gives"},
        {Gwm("7\tDROPOUT\tDROPOUT\t\n\n"), L"Line 19: the file ends after 1 of the 2 frames "
                                           L"\"$NumFrames\" gives"},
        // A hostile count: two thousand million frames claimed, one held.
        {replaced(replaced(Gwm("7\tDROPOUT\tDROPOUT\t\n"), "$LastFrame 8\n", ""), "$NumFrames 2",
                  "$NumFrames 2000000000"),
         L"Line 17: the file ends after 1 of the 2000000000 frames \"$NumFrames\" gives"},
        {replaced(Gwm(rows), "$FirstFrame 7", "$FirstFrame 2147483647"),
         L"Line 17, column 1: frames 2 from 2147483647 run past frame 2147483647"},
    };
    for (const auto& c : cases) {
        TRCFile trc;
        tovtest::FindingCheck findings(FileKind::kGwm);
        GWMReadOptions options;
        options.findings = &findings;
        EXPECT_EQ(ReadGWMMemory(c.text, trc, options), c.message) << c.text;
        EXPECT_EQ(findings.faults, 0) << c.text;
    }
    // The well-formed text they all depart from reads.
    TRCFile trc;
    EXPECT_EQ(ReadGWMMemory(Gwm(rows), trc), L"");
}

// Counts the file can hold yet memory cannot: refused by the limit, and a
// UTF-16 file reads as its UTF-8 twin; one marker's name keeps its blanks.
TEST(GWMReaderTest, LimitsEncodingsAndOneName) {
    const std::string text = Gwm("7\t1\t2\t3\t4\t5\t6\t\n\n8\tDROPOUT\tDROPOUT\t\n\n");
    TRCFile trc;
    GWMReadOptions options;
    options.memoryLimit = 3 * sizeof(TRCSample);
    EXPECT_EQ(ReadGWMMemory(text, trc, options), L"There is not enough memory to read the file");

    std::string utf16 = "\xff\xfe";
    for (const char c : text) utf16 += std::string{c, '\0'};
    ASSERT_EQ(ReadGWMMemory(utf16, trc), L"");
    EXPECT_EQ(At(trc, 1, 0).z, 6);

    std::string one = text;
    one.replace(one.find("$NumMarkers 2"), 13, "$NumMarkers 1");
    one.replace(one.find("A B \n"), 5, "left big toe \n");
    one.replace(one.find("4\t5\t6\t"), 6, "");
    one.replace(one.find("DROPOUT\tDROPOUT"), 15, "DROPOUT");
    ASSERT_EQ(ReadGWMMemory(one, trc), L"");
    EXPECT_EQ(trc.GetMarker(0)->GetName(), L"left big toe");

    EXPECT_EQ(ReadGWMFile("/no/such/file.gwm", trc), kFileNotOpened);
}

}  // namespace
