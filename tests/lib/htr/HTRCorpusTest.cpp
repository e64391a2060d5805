// The real HTR files of the shared corpus.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tests/support/TestFiles.h"

using namespace tovfileio;

namespace {

TEST(HTRCorpusTest, EveryFileReadsOrGivesItsMessage) {
    const auto files = tovtest::CorpusFiles("htr", ".htr");
    if (files.empty()) GTEST_SKIP() << "no corpus beside the project";
    // What each file is known to give; a file not listed must read cleanly.
    const std::map<std::string, std::wstring> expected = {
        {"mocap.htr",
         L"The file does not have a compatible \"EulerRotationOrder\" header state"},
    };
    for (const auto& path : files) {
        HTRFile htr;
        const std::string name = path.filename().string();
        const auto known = expected.find(name);
        const std::wstring message = htr.Read(tovtest::Wide(path));
        EXPECT_EQ(message, known == expected.end() ? L"" : known->second) << name;
        if (!message.empty()) continue;
        ASSERT_GT(htr.SegmentCount(), 0u) << name;
        const HTRSegment* root = htr.RootSegment();
        ASSERT_NE(root, nullptr) << name;
        for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
            const HTRSegment& segment = *htr.Segment(i);
            EXPECT_EQ(segment.FrameCount(), htr.GetNumFrames()) << name;
            EXPECT_TRUE(segment.IsRoot() || segment.GetParent() != nullptr) << name;
        }
    }
}

}  // namespace
