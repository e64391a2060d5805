// tovfileio convert --batch --to FORMAT: sources of every kind written as
// OUTDIR/STEM.EXT, each exactly as `convert SOURCE OUTDIR/STEM.EXT` writes
// it, with a line a source on standard error, a JSON line a source in the
// report, --resume, --jobs, and what an interrupted batch leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using tovtest::ReadBytes;
using tovtest::RunCommand;
using tovtest::With;

const std::vector<std::string> kFormats = {"htr", "bvh", "trc", "c3d", "gwm", "csv"};

std::vector<nlohmann::json> ReportLines(const std::string& path) {
    std::vector<nlohmann::json> lines;
    std::istringstream text(ReadBytes(path));
    for (std::string line; std::getline(text, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

// The report without its timings, which differ from run to run.
std::vector<nlohmann::json> Untimed(std::vector<nlohmann::json> lines) {
    for (nlohmann::json& line : lines) line.erase("seconds");
    return lines;
}

// Every file in `folder`, hidden ones too, with its bytes.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadBytes(entry.path());
    }
    return files;
}

class ConvertFormatBatchTest : public tovtest::CliTest {
protected:
    void SetUp() override { fs::create_directories(dir_.Path() / "in"); }

    // The samples as sources of every kind the batch reads, of four stems.
    std::vector<std::string> SampleSources() {
        const std::string htr = Path("in/skeleton.htr"), trc = Path("in/markers.trc");
        fs::copy_file(tovtest::kWalkHtr, htr);
        fs::copy_file(tovtest::kWalkTrc, trc);
        tovtest::RunOk({"convert", htr, Path("in/skeleton_bvh.bvh")});
        tovtest::RunOk({"convert", trc, Path("in/markers_c3d.c3d")});
        return {htr, trc, Path("in/skeleton_bvh.bvh"), Path("in/markers_c3d.c3d")};
    }
    // The two smallest corpus files of each kind; none without the corpus.
    static std::vector<std::string> CorpusSources() {
        std::vector<std::string> sources;
        for (const char* kind : {"htr", "trc", "c3d", "bvh"}) {
            auto files = tovtest::CorpusFiles(kind, std::string(".") + kind);
            std::sort(files.begin(), files.end(),
                      [](const fs::path& a, const fs::path& b) { return fs::file_size(a) < fs::file_size(b); });
            for (std::size_t i = 0; i < files.size() && i < 2; ++i) sources.push_back(files[i].string());
        }
        return sources;
    }
    Arguments Batch(const std::string& to, const std::vector<std::string>& sources,
                    const Arguments& more = {}) const {
        return With(With({"convert", "--batch", "--to", to, "-o", Path("out")}, more), sources);
    }

    const tovtest::ScopedEnv epoch_{"SOURCE_DATE_EPOCH", "259200"};
};

// Every source of every kind to every format the libraries write: what the
// batch writes is byte for byte what `convert SOURCE OUT` writes; a pair
// that does not convert is refused by both, and gets no file.
TEST_F(ConvertFormatBatchTest, WritesWhatTheSingleConvertWrites) {
    std::vector<std::string> sources = SampleSources();
    const std::vector<std::string> corpus = CorpusSources();
    sources.insert(sources.end(), corpus.begin(), corpus.end());
    for (const std::string& to : kFormats) {
        SCOPED_TRACE(to);
        fs::remove_all(Path("out"));
        const auto batch = RunCommand(Batch(to, sources, {"--jobs", "2", "--report", Path("r.jsonl")}));
        const auto report = ReportLines(Path("r.jsonl"));
        ASSERT_EQ(report.size(), sources.size()) << batch.err;
        const auto written = Contents(Path("out"));
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const std::string out = report[i]["output"];
            EXPECT_EQ(report[i]["source"], sources[i]);
            EXPECT_EQ(report[i]["bytes"], fs::file_size(sources[i]));
            const std::string name = fs::path(out).filename().string();
            fs::remove(out);
            const auto single = RunCommand({"convert", sources[i], out, "--to", to});
            if (single.status == 0) {
                EXPECT_EQ(report[i]["status"], "converted") << sources[i] << batch.err;
                EXPECT_EQ(report[i]["output_bytes"], fs::file_size(out));
                EXPECT_TRUE(written.count(name) != 0 && written.at(name) == ReadBytes(out)) << out;
            } else {
                EXPECT_EQ(report[i]["status"], "refused") << sources[i] << single.err;
                EXPECT_EQ(written.count(name), 0u) << out;
            }
        }
    }
}

// A refused source and a missing one among good ones, as --jobs 1 and
// --jobs 2 tell them: the same lines in the order given, the same report
// (timings aside), status 1, and files for the good ones only.
TEST_F(ConvertFormatBatchTest, RefusedAndFailedAmongGoodOnes) {
    const std::string good = Write("in/a.trc", tovtest::TrcText({"A"}, {"1\t2\t3"}));
    const std::string bad = Write("in/bad.trc", "[Header]\nFileType htr\n");
    const std::string missing = Path("in/gone.trc");
    const std::string htr = Write("in/c.htr", tovtest::HtrText(2, 1, 3));
    const std::vector<std::string> sources = {good, bad, missing, htr};
    std::string firstErr;
    std::vector<nlohmann::json> firstReport;
    for (const char* jobs : {"1", "2"}) {
        fs::remove_all(Path("out"));
        const auto run = RunCommand(Batch("csv", sources, {"--jobs", jobs, "--report", Path("r.jsonl")}));
        EXPECT_EQ(run.status, 1) << run.err;
        const auto report = ReportLines(Path("r.jsonl"));
        ASSERT_EQ(report.size(), 4u);
        std::vector<std::string> statuses;
        for (const auto& line : report) statuses.push_back(line["status"]);
        EXPECT_EQ(statuses, (std::vector<std::string>{"converted", "refused", "failed", "converted"}));
        EXPECT_TRUE(report[1]["output_bytes"].is_null());
        ASSERT_FALSE(report[1]["findings"].empty());
        EXPECT_THAT(std::string(report[1]["findings"][0]["text"]), HasSubstr("third tab-separated field"));
        EXPECT_EQ(report[2]["findings"][0]["code"], "CANNOT_OPEN");
        EXPECT_EQ(tovtest::Entries(Path("out")), (std::vector<std::string>{"a.csv", "c.csv"}));
        EXPECT_THAT(run.err, HasSubstr(good + ": converted to " + Path("out/a.csv") + "\n" + bad + ": "));
        EXPECT_THAT(run.err, HasSubstr(bad + ": refused, " + Path("out/bad.csv") + " not written\n" +
                                       missing + ": "));
        EXPECT_THAT(run.err, ::testing::EndsWith(
                                 htr + ": converted to " + Path("out/c.csv") +
                                 "\ntovfileio convert: 2 of 4 files converted, 1 refused, 1 failed, 0 skipped\n"));
        if (firstErr.empty()) {
            firstErr = run.err;
            firstReport = Untimed(report);
        } else {
            EXPECT_EQ(run.err, firstErr);
            EXPECT_EQ(Untimed(report), firstReport);
        }
    }
}

// Two sources of one stem, or a source the batch would replace, are a usage
// error before anything is written.
TEST_F(ConvertFormatBatchTest, OverwritesAreRefusedFirst) {
    const std::string a = Write("in/a.trc", tovtest::TrcText({"A"}, {"1\t2\t3"}));
    fs::create_directories(Path("in/sub"));
    const std::string other = Write("in/sub/a.htr", tovtest::HtrText(1, 1, 2));
    const struct {
        Arguments args;
        std::string said;
    } cases[] = {
        {Batch("csv", {a, other}), a + " and " + other + " would both become " + Path("out/a.csv")},
        {{"convert", "--batch", "--to", "trc", "-o", Path("in"), a},
         a + " would be replaced by the output " + Path("in/a.trc")},
        {Batch("csv", {a}, {"--report", a}), a + " is the report, which the batch writes"},
    };
    for (const auto& c : cases) {
        const auto run = tovtest::RunExpecting(c.args, 2, HasSubstr(c.said + "; nothing converted"));
        EXPECT_FALSE(fs::exists(Path("out")));
        EXPECT_EQ(ReadBytes(a), tovtest::TrcText({"A"}, {"1\t2\t3"}));
    }
}

// --resume keeps an output not older than its source, says so and reports
// it; a source made newer is converted again.
TEST_F(ConvertFormatBatchTest, ResumeSkipsWhatIsUpToDate) {
    const std::string a = Write("in/a.trc", tovtest::TrcText({"A"}, {"1\t2\t3"}));
    const std::string b = Write("in/b.trc", tovtest::TrcText({"B"}, {"4\t5\t6"}));
    tovtest::RunOk(Batch("c3d", {a, b}));
    fs::last_write_time(b, fs::last_write_time(Path("out/b.c3d")) + std::chrono::seconds(5));
    const auto run = tovtest::RunOk(Batch("c3d", {a, b}, {"--resume", "--report", Path("r.jsonl")}));
    EXPECT_THAT(run.err, HasSubstr(a + ": skipped, " + Path("out/a.c3d") + " is up to date\n"));
    EXPECT_THAT(run.err, HasSubstr("1 of 2 files converted, 0 refused, 0 failed, 1 skipped\n"));
    const auto report = ReportLines(Path("r.jsonl"));
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0]["status"], "skipped");
    EXPECT_EQ(report[0]["output_bytes"], fs::file_size(Path("out/a.c3d")));
    EXPECT_EQ(report[1]["status"], "converted");
}

// A batch stopped mid-run by a signal leaves in OUTDIR only whole outputs,
// each what a fresh convert writes, and no temporary file: SIGKILL ends it
// at once, SIGTERM and SIGINT after the files being written (status 130).
TEST_F(ConvertFormatBatchTest, AnInterruptedBatchLeavesOnlyWholeOutputs) {
    std::vector<std::string> rows(400000, "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12");
    const std::string longTake = tovtest::TrcText({"A", "B", "C", "D"}, rows);
    const std::vector<std::string> sources = {Write("in/first.trc", tovtest::TrcText({"A"}, {"1\t2\t3"})),
                                              Write("in/long1.trc", longTake), Write("in/long2.trc", longTake),
                                              Write("in/long3.trc", longTake)};
    for (const int signalNumber : {SIGKILL, SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        fs::remove_all(Path("out"));
        tovtest::ScratchDir scratch;
        const pid_t batch = tovtest::StartProcess(Batch("c3d", sources, {"--jobs", "2"}), scratch,
                                                  tovtest::KeepingSettingsIn(Settings()));
        ASSERT_TRUE(tovtest::WaitUntil([&] { return fs::exists(Path("out/first.c3d")); }));
        ::kill(batch, signalNumber);
        const auto ended = tovtest::WaitProcessWithin(batch, scratch, std::chrono::seconds(120));
        EXPECT_EQ(ended.status, signalNumber == SIGKILL ? 128 + SIGKILL : 130) << ended.err;
        EXPECT_LT(Contents(Path("out")).size(), sources.size());
        for (const auto& [name, bytes] : Contents(Path("out"))) {
            ASSERT_NE(name.front(), '.') << name;
            const std::string fresh = Path("fresh/" + name);
            fs::create_directories(Path("fresh"));
            tovtest::RunOk({"convert", Path("in/" + fs::path(name).stem().string() + ".trc"), fresh});
            EXPECT_TRUE(bytes == ReadBytes(fresh)) << name;
        }
    }
}

}  // namespace
