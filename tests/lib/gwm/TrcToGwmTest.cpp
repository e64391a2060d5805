// The TRC-to-GWM conversion core as its callers drive it: what becomes of a
// source the reader refuses under each policy, and the log lines. Cancel
// between files, padding and keeping as the caller decides, and the same
// bytes whether a file is written through the row pipe on another thread,
// the command line's tests check (interrupts, several jobs against one, and
// a full disk).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/lib/gwm/TwoMarkerTake.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/gwm/TrcToGwm.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;
using Outcome = GwmFileResult::Outcome;

namespace {

// Records what the core tells it.
class Recorder : public GwmRunObserver {
public:
    bool Cancelled() override { return false; }
    void Progress(int percent) override { progress.push_back(percent); }
    void Log(const std::string& line) override { log += line; }
    void SourceRefused(const GwmFileResult& file) override { refused.push_back(file.source); }

    std::vector<int> progress;
    std::string log;
    std::vector<std::wstring> refused;
};

TEST(TrcToGwmTest, ARefusedSourceUnderEachPolicy) {
    ScratchDir dir;
    const std::wstring good = Wide(dir.Write("good.trc", tovtest::kTwoMarkerTrc));
    const std::wstring bad = Wide(dir.Write("bad.trc", "[Header]\n"));
    const std::filesystem::path out = dir.Path() / "out";
    std::filesystem::create_directory(out);
    ConvertGWMSettings settings;
    settings.Batch = true;
    settings.OutputPath = Wide(out);
    settings.Filter = false;
    const struct {
        RefusedSource policy;
        bool completed, badWritten;
        std::vector<Outcome> outcomes;
    } cases[] = {
        {RefusedSource::kConvertAnyway, true, true,
         {Outcome::kWritten, Outcome::kWritten, Outcome::kWritten}},
        {RefusedSource::kSkip, false, false,
         {Outcome::kWritten, Outcome::kRefused, Outcome::kWritten}},
        {RefusedSource::kStopRun, false, false, {Outcome::kWritten, Outcome::kRefused}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(out / "bad.gwm");
        Recorder recorder;
        TrcToGwmConversion conversion;
        const GwmRunResult run =
            conversion.Run({good, bad, good}, settings, MarkerNameMap(), c.policy, recorder);
        EXPECT_EQ(run.completed, c.completed);
        std::vector<Outcome> outcomes;
        for (const auto& file : run.files) outcomes.push_back(file.outcome);
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(std::filesystem::exists(out / "bad.gwm"), c.badWritten);
        EXPECT_EQ(recorder.refused.size(), c.policy == RefusedSource::kConvertAnyway ? 0u : 1u);
        // The reader's message is a log line under every policy of a batch
        // but the one that stops the run.
        EXPECT_EQ(recorder.log.find("bad.trc: The file is does not have") != std::string::npos,
                  c.policy != RefusedSource::kStopRun);
        EXPECT_EQ(recorder.progress.back(), 100);
    }
}

}  // namespace
