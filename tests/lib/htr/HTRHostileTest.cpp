// HTR files that no one should trust: every one ends with a model or the
// reader's own message, in bounded time and memory.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tests/lib/htr/HtrText.h"
#include "tests/support/HostileInputs.h"

using namespace tovfileio;

using tovtest::HtrWithHeader;
using tovtest::ReadHtrText;

namespace {

const std::string kValid = HtrWithHeader(
    "NumSegments 3\nNumFrames 2\nRotationUnits Radians\n",
    "[SegmentNames&Hierarchy]\nRoot GLOBAL\nArm Root\nHand Arm\n"
    "[BasePosition]\nRoot 1 2 3 0 0 0 10\nArm 0 5 0 1 0 0 20\nHand 0 5 0 0 1 0 5\n"
    "[Root]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Arm]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Hand]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n[EndOfFile]\n");

// Every message the reader can give.
const std::set<std::wstring> kMessages = {
    L"",
    L"The file does not have a compatible \"FileType\" header state",
    L"The file does not have a compatible \"DataType\" header state",
    L"The file does not have a compatible \"FileVersion\" header state",
    L"The file does not have a compatible \"EulerRotationOrder\" header state",
    L"The file does not have a compatible \"GlobalAxisofGravity\" header state",
    L"The file does not have a compatible \"BoneLengthAxis\" header state",
    L"Incorrect number of segments defined in file",
};

bool IsReaderMessage(const std::wstring& message) {
    return kMessages.count(message) > 0 ||
           message.rfind(L"The file has duplicate segment names: ", 0) == 0 ||
           message.rfind(L"Segment name not found: ", 0) == 0;
}

TEST(HTRHostileTest, EveryInputEndsWithAModelOrAMessage) {
    tovtest::ScratchDir dir;
    HTRFile htr;
    ASSERT_EQ(ReadHtrText(dir, kValid, htr), L"");
    for (const auto& input : tovtest::HostileInputs(kValid)) {
        const std::wstring message = ReadHtrText(dir, input.bytes, htr);
        EXPECT_TRUE(IsReaderMessage(message)) << input.name;
    }
    // A UTF-16 file with its mark reads as the text it holds.
    EXPECT_EQ(ReadHtrText(dir, tovtest::Utf16(kValid, true), htr), L"");
    EXPECT_EQ(htr.SegmentCount(), 3u);
    for (std::size_t length = 0; length <= kValid.size(); ++length) {
        const std::wstring message = ReadHtrText(dir, kValid.substr(0, length), htr);
        EXPECT_TRUE(IsReaderMessage(message)) << "cut at " << length;
    }
}

TEST(HTRHostileTest, HugeCountsAndOddNumbers) {
    tovtest::ScratchDir dir;
    HTRFile htr;
    const std::string counts = HtrWithHeader(
        "NumSegments 4000000000\nNumFrames 4000000000\nDataFrameRate -99999999999\n",
        "[SegmentNames&Hierarchy]\nA GLOBAL\n[BasePosition]\nA 1e400 -nan 0x1p3 inf 1e-400 1 2\n"
        "[A]\n1 1e400 -1e400 -nan 0 0 0 1\n");
    EXPECT_EQ(ReadHtrText(dir, counts, htr), L"Incorrect number of segments defined in file");
    EXPECT_EQ(htr.GetNumFrames(), 2147483647u);
    EXPECT_EQ(htr.GetDataFrameRate(), -2147483647 - 1);
    double x, y, z;
    htr.FindSegment(L"A")->GetBaseTranslation(x, y, z);
    EXPECT_EQ(x, HUGE_VAL);
    EXPECT_EQ(y, 0.0);  // "-nan" holds no digits
    EXPECT_EQ(z, 0.0);  // "0x1p3" reads as its decimal prefix "0"
    EXPECT_EQ(htr.FindSegment(L"A")->FrameCount(), 1u);
}

}  // namespace
