// HTR files that no one should trust: every one ends with a model or the
// reader's own message, in bounded time and memory.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tests/lib/htr/HtrText.h"
#include "tests/support/HostileInputs.h"

using namespace tovfileio;

using tovtest::HtrWithHeader;

namespace {

const std::string kValid = HtrWithHeader(
    "NumSegments 3\nNumFrames 2\nRotationUnits Radians\n",
    "[SegmentNames&Hierarchy]\nRoot GLOBAL\nArm Root\nHand Arm\n"
    "[BasePosition]\nRoot 1 2 3 0 0 0 10\nArm 0 5 0 1 0 0 20\nHand 0 5 0 0 1 0 5\n"
    "[Root]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Arm]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Hand]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n[EndOfFile]\n");

// Every message the reader can give.
bool IsReaderMessage(const std::wstring& message) {
    for (const wchar_t* keyword : {L"FileType", L"DataType", L"FileVersion", L"EulerRotationOrder",
                                   L"GlobalAxisofGravity", L"BoneLengthAxis"}) {
        if (message == L"The file does not have a compatible \"" + std::wstring(keyword) +
                           L"\" header state") {
            return true;
        }
    }
    return message.empty() || message == L"Incorrect number of segments defined in file" ||
           message.rfind(L"The file has duplicate segment names: ", 0) == 0 ||
           message.rfind(L"Segment name not found: ", 0) == 0;
}

TEST(HTRHostileTest, EveryInputEndsWithAModelOrAMessage) {
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(kValid), L"");
    for (const auto& input : tovtest::HostileInputs(kValid)) {
        const std::wstring message = htr.ReadMemory(input.bytes);
        EXPECT_TRUE(IsReaderMessage(message)) << input.name;
    }
    // A UTF-16 file with its mark reads as the text it holds.
    EXPECT_EQ(htr.ReadMemory(tovtest::Utf16(kValid, true)), L"");
    EXPECT_EQ(htr.SegmentCount(), 3u);
    for (std::size_t length = 0; length <= kValid.size(); ++length) {
        const std::wstring message = htr.ReadMemory(kValid.substr(0, length));
        EXPECT_TRUE(IsReaderMessage(message)) << "cut at " << length;
    }
}

}  // namespace
