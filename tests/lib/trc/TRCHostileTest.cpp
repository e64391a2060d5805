// TRC files that no one should trust: every one ends with a model or the
// reader's own message, in bounded time and memory.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

const std::wstring kNotXYZ = L"The file is does not have a compatible \"(X/Y/Z)\" header state";
const std::wstring kTooBig = L"There is not enough memory to read the file";

const std::string kValid =
    "PathFileType\t4\t(X/Y/Z)\tx.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\n"
    "100\t100\t3\t2\tmm\t100\t1\n"
    "Frame#\tTime\tA\t\t\tB\t\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n"
    "\n"
    "1\t0.00\t1\t2\t3\t4\t5\t6\n"
    "2\t0.01\t\t\t\t4\t5\t6\n"
    "3\t0.02\t1e400\t-nan\t0x1p3\tNaN\t\t\n";

std::wstring Read(const tovtest::ScratchDir& dir, const std::string& bytes, TRCFile& trc) {
    return trc.Read(tovtest::Wide(dir.Write("hostile.trc", bytes)));
}

TEST(TRCHostileTest, EveryInputEndsWithAModelOrAMessage) {
    tovtest::ScratchDir dir;
    TRCFile trc;
    for (const auto& input : tovtest::HostileInputs(kValid)) {
        const std::wstring message = Read(dir, input.bytes, trc);
        EXPECT_TRUE(message.empty() || message == kNotXYZ || message == kTooBig) << input.name;
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            EXPECT_EQ(trc.GetMarker(m)->GetNumSamples(), trc.GetNumRows()) << input.name;
        }
    }
    for (std::size_t length = 0; length <= kValid.size(); ++length) {
        const std::wstring message = Read(dir, kValid.substr(0, length), trc);
        EXPECT_TRUE(message.empty() || message == kNotXYZ) << "cut at " << length;
    }
    ASSERT_EQ(Read(dir, tovtest::Utf16(kValid, true), trc), L"");
    EXPECT_EQ(trc.GetNumRows(), 3u);
}

TEST(TRCHostileTest, ManyMarkersAndShortRowsStayWithinTheFileSize) {
    tovtest::ScratchDir dir;
    TRCFile trc;
    // A million marker names and a header claiming billions: what is there
    // is read. A hundred thousand rows of a frame number would need 3 TB for
    // their missing samples: more than any machine, so they are refused.
    std::string names = "Frame#\tTime";
    for (int i = 0; i < 1000000; ++i) names += "\tM" + std::to_string(i) + "\t\t";
    std::string file = "PathFileType\t4\t(X/Y/Z)\n-\n2000000000\t1\t2000000000\t2000000000\tmm\t1\t1\n" +
                       names + "\t\n\n\n";
    ASSERT_EQ(Read(dir, file, trc), L"");
    EXPECT_EQ(trc.GetNumMarkers(), 1000000u);
    EXPECT_EQ(trc.GetNumRows(), 0u);
    for (int i = 0; i < 100000; ++i) file += "1\n";
    EXPECT_EQ(Read(dir, file, trc), kTooBig);
    EXPECT_LT(trc.GetNumRows(), 100000u);
}

}  // namespace
