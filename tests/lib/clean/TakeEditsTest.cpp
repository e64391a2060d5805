// The edits of a take: what they keep is the take's own values, bit for
// bit, and a name or frame the take does not hold changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tovfileio/clean/TakeEdits.h"

namespace tovfileio {
namespace {

// Three markers A, B, C over 5 rows from frame 11; marker m at row r stands
// at (m + r / 3, -r, 1e-300 * r), B missing at row 2.
TRCFile SmallTake() {
    TRCFile take;
    take.SetStartFrame(11);
    take.SetNumFrames(5);
    take.SetNumRows(5);
    for (const wchar_t* name : {L"A", L"B", L"C"}) take.AddMarker(TRCMarker(name));
    for (std::uint32_t m = 0; m < 3; ++m) {
        for (int r = 0; r < 5; ++r) {
            if (m == 1 && r == 2) {
                take.GetMarker(m)->AddDropout();
            } else {
                take.GetMarker(m)->AddPosition(m + r / 3.0, -r, 1e-300 * r);
            }
        }
    }
    return take;
}

std::vector<std::wstring> Names(const TRCFile& take) {
    std::vector<std::wstring> names;
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) names.push_back(take.GetMarker(i)->GetName());
    return names;
}

TEST(TakeEditsTest, KeepFramesKeepsTheNumberedFramesAsTheyAre) {
    const TRCFile original = SmallTake();
    TRCFile take = original;
    ASSERT_EQ(KeepFrames(take, 12, 14), L"");
    EXPECT_EQ(take.GetStartFrame(), 12);
    EXPECT_EQ(take.GetNumRows(), 3u);
    EXPECT_EQ(take.GetNumFrames(), 3);
    for (std::uint32_t m = 0; m < 3; ++m) {
        ASSERT_EQ(take.GetMarker(m)->GetNumSamples(), 3u);
        for (std::uint32_t r = 0; r < 3; ++r) {
            const TRCSample& kept = take.GetMarker(m)->Samples()[r];
            const TRCSample& was = original.GetMarker(m)->Samples()[r + 1];
            EXPECT_EQ(kept.valid, was.valid);
            EXPECT_EQ(kept.x, was.x);
            EXPECT_EQ(kept.y, was.y);
            EXPECT_EQ(kept.z, was.z);
        }
    }
    const struct {
        std::int64_t from, to;
        const wchar_t* refusal;
    } refused[] = {
        {10, 12, L"The take holds frames 11 to 15, not 10 to 12"},
        {14, 16, L"The take holds frames 11 to 15, not 14 to 16"},
        {13, 12, L"The range 13 to 12 holds no frame"},
    };
    for (const auto& c : refused) {
        TRCFile untouched = original;
        EXPECT_EQ(KeepFrames(untouched, c.from, c.to), c.refusal);
        EXPECT_EQ(untouched.GetNumRows(), 5u);
        EXPECT_EQ(untouched.GetMarker(0)->GetNumSamples(), 5u);
    }
}

TEST(TakeEditsTest, MarkersAreRenamedKeptAndDroppedByName) {
    using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;
    const struct {
        const char* what;
        Pairs renames;
        std::vector<std::wstring> chosen;
        bool keep;  // or, for renames, whether pairs naming no marker are passed over
        std::wstring message;
        std::vector<std::wstring> names;
    } cases[] = {
        {"rename", {{L"A", L"LASI"}, {L"C", L"A"}}, {}, false, L"", {L"LASI", L"B", L"A"}},
        {"swap", {{L"A", L"B"}, {L"B", L"A"}}, {}, false, L"", {L"B", L"A", L"C"}},
        {"rename onto another", {{L"A", L"B"}}, {}, false, L"Two markers would be named B", {L"A", L"B", L"C"}},
        {"rename unknown", {{L"X", L"Y"}}, {}, false, L"The take has no marker named X", {L"A", L"B", L"C"}},
        {"map's pairs", {{L"X", L"Y"}, {L"B", L"RASI"}}, {}, true, L"", {L"A", L"RASI", L"C"}},
        {"map onto another", {{L"X", L"Y"}, {L"B", L"C"}}, {}, true, L"Two markers would be named C", {L"A", L"B", L"C"}},
        {"keep", {}, {L"C", L"A"}, true, L"", {L"A", L"C"}},
        {"drop", {}, {L"B"}, false, L"", {L"A", L"C"}},
        {"drop unknown", {}, {L"B", L"Q"}, false, L"The take has no marker named Q", {L"A", L"B", L"C"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRCFile take = SmallTake();
        const std::wstring said =
            c.renames.empty() ? ChooseMarkers(take, c.chosen, c.keep) : RenameMarkers(take, c.renames, c.keep);
        EXPECT_EQ(said, c.message);
        EXPECT_EQ(Names(take), c.names);
    }
    // A kept marker keeps its samples, its gap among them.
    TRCFile take = SmallTake();
    ASSERT_EQ(ChooseMarkers(take, {L"A"}, false), L"");
    ASSERT_EQ(take.GetMarker(0)->GetName(), L"B");
    EXPECT_FALSE(take.GetMarker(0)->Samples()[2].valid);
    EXPECT_EQ(take.GetMarker(0)->Samples()[4].z, 4e-300);
}

}  // namespace
}  // namespace tovfileio
