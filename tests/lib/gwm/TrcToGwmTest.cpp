// The TRC-to-GWM conversion core as its callers drive it: what becomes of a
// source the reader refuses under each policy, the log lines, cancel,
// padding and keeping decided by the caller, and the same bytes whether the
// file is written on the reading thread or another.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/gwm/RowPipe.h"
#include "tovfileio/gwm/TrcToGwm.h"

using namespace tovfileio;

using tovtest::ReadBytes;
using tovtest::ScratchDir;
using tovtest::Wide;
using Outcome = GwmFileResult::Outcome;

namespace {

// Two markers over three rows; the header claims four frames.
const char kTrc[] =
    "PathFileType\t4\t(X/Y/Z)\tx.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\n"
    "100\t120\t4\t2\tmm\t100\t7\n"
    "Frame#\tTime\tA\t\t\tB\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n"
    "7\t0\t1\t2\t3\t4\t5\t6\n8\t0\t-1\t0\t0.5\t\t\t\n9\t0\t1e3\t2\t3\t4\t5\t6\n";

// Records what the core tells it; answers with what a test sets.
class Recorder : public GwmRunObserver {
public:
    bool Cancelled() override { return ++files_ > cancelAfter; }
    void Progress(int percent) override { progress.push_back(percent); }
    void Log(const std::string& line) override { log += line; }
    void SourceRefused(const GwmFileResult& file) override { refused.push_back(file.source); }
    bool MayPad(const GwmFileResult& /*file*/) override { return pad; }
    bool Keep(const GwmFileResult& /*file*/) override { return keep; }

    std::size_t cancelAfter = 1000;
    bool pad = true;
    bool keep = true;
    std::vector<int> progress;
    std::string log;
    std::vector<std::wstring> refused;

private:
    std::size_t files_ = 0;
};

class TrcToGwmTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SOURCE_DATE_EPOCH", "0", 1);
        good_ = Wide(dir_.Write("good.trc", kTrc));
        bad_ = Wide(dir_.Write("bad.trc", "[Header]\n"));
        std::filesystem::create_directory(dir_.Path() / "out");
        settings_.Batch = true;
        settings_.OutputPath = Wide(dir_.Path() / "out");
        settings_.Filter = false;
    }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }
    std::string Out(const std::string& name) const { return ReadBytes(dir_.Path() / "out" / name); }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(dir_.Path() / "out" / name);
    }

    ScratchDir dir_;
    std::wstring good_, bad_;
    ConvertGWMSettings settings_;
    MarkerNameMap map_;
};

TEST_F(TrcToGwmTest, ARefusedSourceUnderEachPolicy) {
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
        std::filesystem::remove(dir_.Path() / "out" / "bad.gwm");
        Recorder recorder;
        TrcToGwmConversion conversion;
        const GwmRunResult run =
            conversion.Run({good_, bad_, good_}, settings_, map_, c.policy, recorder);
        EXPECT_EQ(run.completed, c.completed);
        std::vector<Outcome> outcomes;
        for (const auto& file : run.files) outcomes.push_back(file.outcome);
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(Exists("bad.gwm"), c.badWritten);
        EXPECT_EQ(recorder.refused.size(), c.policy == RefusedSource::kConvertAnyway ? 0u : 1u);
        // The reader's message is a log line under every policy of a batch
        // but the one that stops the run.
        EXPECT_EQ(recorder.log.find("bad.trc: The file is does not have") != std::string::npos,
                  c.policy != RefusedSource::kStopRun);
        EXPECT_EQ(recorder.progress.back(), 100);
    }
}

TEST_F(TrcToGwmTest, CancelStopsBeforeTheNextFile) {
    Recorder recorder;
    recorder.cancelAfter = 1;
    TrcToGwmConversion conversion;
    const GwmRunResult run =
        conversion.Run({good_, good_}, settings_, map_, RefusedSource::kSkip, recorder);
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.files.size(), 1u);
    EXPECT_EQ(recorder.progress, (std::vector<int>{0, 0}));
    EXPECT_EQ(recorder.log, "Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n"
                            "Thu Jan  1 00:00:00 1970\nProcessing 2 files...\nfile: " +
                                (dir_.Path() / "good.trc").string() + " done.\n");
}

// A file the caller will not pad or keep is dropped, and an older file at
// its target stays as it was.
TEST_F(TrcToGwmTest, TheCallerMayDropAFile) {
    for (const bool pad : {false, true}) {
        dir_.Write("out/good.gwm", "precious");
        Recorder recorder;
        recorder.pad = pad;
        recorder.keep = false;
        TrcToGwmConversion conversion;
        const GwmRunResult run =
            conversion.Run({good_}, settings_, map_, RefusedSource::kSkip, recorder);
        EXPECT_EQ(run.files.front().outcome, pad ? Outcome::kNotKept : Outcome::kPaddingRefused);
        EXPECT_EQ(Out("good.gwm"), "precious");
        EXPECT_EQ(tovtest::Entries(dir_.Path() / "out").size(), 1u);
    }
}

TEST_F(TrcToGwmTest, AnotherWriterThreadWritesTheSameBytes) {
    std::string bytes[2];
    for (const bool thread : {false, true}) {
        Recorder recorder;
        TrcToGwmConversion conversion;
        conversion.WriteOnAnotherThread(thread);
        const GwmRunResult run =
            conversion.Run({good_}, settings_, map_, RefusedSource::kSkip, recorder);
        ASSERT_TRUE(run.completed);
        EXPECT_EQ(run.files.front().rows, 3u);
        bytes[thread ? 1 : 0] = Out("good.gwm");
    }
    EXPECT_EQ(bytes[0], bytes[1]);
    EXPECT_NE(bytes[0].find("9\t1000.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
                            "10\tDROPOUT\tDROPOUT\t\n\n"),
              std::string::npos);
}

// Rows reach the consumer whole and in order, across chunks; a consumer
// that fails stops the pipe.
TEST(RowPipeTest, RowsInOrderAndFailureStops) {
    for (const std::size_t failAt : {std::size_t{0}, std::size_t{700}}) {
        std::vector<double> seen;
        RowPipe pipe(2, [&](std::span<const TRCSample> row) {
            EXPECT_EQ(row[1].x, row[0].x + 0.5);
            seen.push_back(row[0].x);
            return failAt == 0 || seen.size() < failAt;
        });
        bool goOn = true;
        std::size_t pushed = 0;
        for (int i = 0; i < 5000 && goOn; ++i, ++pushed) {
            const TRCSample row[2] = {{true, double(i), 0, 0}, {true, i + 0.5, 0, 0}};
            goOn = pipe.Push(row);
        }
        EXPECT_EQ(pipe.Finish(), failAt == 0);
        if (failAt == 0) {
            ASSERT_EQ(seen.size(), 5000u);
            for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], double(i));
        } else {
            EXPECT_EQ(seen.size(), failAt);
            EXPECT_LT(pushed, 5000u);
        }
    }
}

}  // namespace
