#include <gtest/gtest.h>

#include "tovfileio/module/FilePaths.h"

// A name typed in the host's dialogs and the file it stands for.
TEST(FilePathsTest, TypedNamesGetTheirExtension) {
    const struct {
        const wchar_t* typed;
        const wchar_t* htr;
        const wchar_t* trc;
    } cases[] = {
        {L"walk", L"walk.htr", L"walk.TRC"},
        {L"walk.htr", L"walk.htr", L"walk.htr"},
        {L"walk.HtR", L"walk.HtR", L"walk.HtR"},
        {L"walk.csv", L"walk.csv.htr", L"walk.csv"},
        // A TRC file named to the HTR importer is
        // SceneCommandsTest.FailuresSayTheirCauseAndChangeNothing's.
        {L"ab", L"ab.htr", L"ab.TRC"},  // too short for an extension
        {L".htr", L".htr", L".htr"},
        {L"", L".htr", L".TRC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HtrFileFor(c.typed), c.htr) << c.typed;
        EXPECT_EQ(TrcFileFor(c.typed), c.trc) << c.typed;
    }
}
