// The frames the page shows filled: each fill's gaps under the names the
// markers end up with, numbered as the take numbers its frames.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "view/FilledFrames.h"

namespace {

using tovfileio::CleaningReport;
using tovfileio::CleaningStep;
using tovfileio::GapMethod;
using tovview::FilledRun;
using Filled = std::map<std::string, std::vector<FilledRun>>;

CleaningStep Step(CleaningStep::Kind kind, std::vector<std::pair<std::wstring, std::wstring>> renames = {}) {
    CleaningStep step;
    step.kind = kind;
    step.renames = std::move(renames);
    return step;
}

// A fill of markers A and B from frame `start` that filled `filled` and
// left a gap of A too long to fill.
CleaningReport::Fill Fill(std::int64_t start, std::vector<tovfileio::FilledGap> filled) {
    CleaningReport::Fill fill;
    fill.markers = {L"A", L"B"};
    fill.startFrame = start;
    fill.report.filled = std::move(filled);
    fill.report.tooLong.push_back({0, 30, 40});
    return fill;
}

TEST(FilledFramesTest, RunsAreNamedAsTheMarkersEndUp) {
    const CleaningStep fill = Step(CleaningStep::Kind::kFillGaps);
    const CleaningStep filter = Step(CleaningStep::Kind::kLowPass);
    const CleaningStep renameB = Step(CleaningStep::Kind::kRename, {{L"A", L"B"}, {L"B", L"C"}});
    struct Case {
        const char* what;
        std::vector<CleaningStep> steps;
        std::vector<CleaningReport::Fill> fills;
        Filled expected;
    };
    const Case cases[] = {
        {"one fill, numbered from the take's first frame",
         {fill},
         {Fill(10, {{{1, 2, 3}, GapMethod::kRigid}, {{0, 0, 1}, GapMethod::kLinear}})},
         {{"A", {{10, 10, "linear"}}}, {"B", {{12, 14, "rigid"}}}}},
        {"renamed after the fill, each pair at once",
         {filter, fill, renameB},
         {Fill(1, {{{0, 4, 2}, GapMethod::kSpline}, {{1, 4, 2}, GapMethod::kPattern}})},
         {{"B", {{5, 6, "spline"}}}, {"C", {{5, 6, "pattern"}}}}},
        {"two fills, their runs in frame order",
         {fill, fill},
         {Fill(1, {{{1, 8, 2}, GapMethod::kLinear}}), Fill(1, {{{1, 2, 2}, GapMethod::kRigid}})},
         {{"B", {{3, 4, "rigid"}, {9, 10, "linear"}}}}},
    };
    for (const Case& c : cases) {
        CleaningReport report;
        report.fills = c.fills;
        EXPECT_EQ(tovview::FilledByMarker(report, c.steps), c.expected) << c.what;
    }
}

}  // namespace
