// A careful user's bad day, in real processes: a full disk, a file-size
// limit, a closed pipe, a killed run, sources that would collide. Every
// output is whole or as it was, every failure is said with its cause and a
// status of 1, and no temporary file is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

namespace fs = std::filesystem;
using tovtest::ProcessOptions;
using tovtest::ReadBytes;
using tovtest::RunProcess;

const std::string& kHtr = tovtest::kWalkHtr;
const std::string& kTrc = tovtest::kWalkTrc;

// A disk with no room left: a tmpfs of one page where one can be mounted
// (its one page taken by the older outputs), else a file-size limit of a
// few bytes on the process.
class FullDisk {
public:
    explicit FullDisk(const fs::path& where) : path_(where) {
        fs::create_directories(path_);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=4k") == 0;
    }
    ~FullDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    const fs::path& Path() const { return path_; }
    // The reason a write fails for.
    const char* Reason() const { return mounted_ ? "No space left on device" : "File too large"; }
    ProcessOptions Options(std::vector<std::string> env) const {
        ProcessOptions options;
        options.env = std::move(env);
        if (!mounted_) options.fileSizeLimit = 16;
        return options;
    }

private:
    fs::path path_;
    bool mounted_ = false;
};

class NothingLostTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = {"BRINDLE_REGISTRY_FILE=" + (dir_.Path() / "registry.reg").string(),
                "TMPDIR=" + (dir_.Path() / "tmp").string(), "TOVFILEIO_MODULE=" TOV_MODULE_PATH};
        fs::create_directory(dir_.Path() / "tmp");
        scene_ = (dir_.Path() / "s.json").string();
        ASSERT_EQ(Run({"import-htr", kHtr, "--scene", scene_, "--suppress-prompts"}).status, 0);
    }
    tovtest::ProcessResult Run(const std::vector<std::string>& args,
                               const ProcessOptions& options = {}) {
        ProcessOptions withEnv = options;
        if (withEnv.env.empty()) withEnv.env = env_;
        return RunProcess(args, dir_, withEnv);
    }

    tovtest::ScratchDir dir_;
    std::vector<std::string> env_;
    std::string scene_;
};

// Every writer onto a full disk: the older file stays, the cause is said,
// the status is 1, and nothing else is left on the disk.
TEST_F(NothingLostTest, AFullDiskLeavesOlderFilesAsTheyWere) {
    FullDisk disk(dir_.Path() / "disk");
    const std::string d = disk.Path().string();
    const struct {
        std::vector<std::string> args;
        std::string output;
    } cases[] = {
        {{"export-htr", d + "/out.htr", "--scene", scene_, "--select", "walk", "--suppress-prompts"},
         "out.htr"},
        {{"convert", kHtr, d + "/out.htr"}, "out.htr"},
        {{"convert", kHtr, d + "/out.glb"}, "out.glb"},
        {{"gltf", scene_, d + "/out.gltf"}, "out.gltf"},
        {{"preview", kHtr, "-o", d + "/out.svg"}, "out.svg"},
        {{"roundtrip", kHtr, d + "/out.htr"}, "out.htr"},
        {{"convert", kTrc, d + "/out.gwm"}, "out.gwm"},
        {{"convert", "--batch", "-o", d, kTrc}, "walk.gwm"},
    };
    for (const auto& c : cases) {
        for (const auto& entry : fs::directory_iterator(disk.Path())) fs::remove(entry.path());
        dir_.Write("disk/" + c.output, "precious");
        const auto result = Run(c.args, disk.Options(env_));
        EXPECT_EQ(result.status, 1) << c.args[0] << " " << c.output << "\n" << result.err;
        EXPECT_NE(result.err.find(disk.Reason()), std::string::npos) << c.args[0] << "\n" << result.err;
        EXPECT_EQ(ReadBytes(disk.Path() / c.output), "precious") << c.args[0] << " " << c.output;
        // Only the batch's log may have begun on the disk.
        std::vector<std::string> left = tovtest::Entries(disk.Path());
        std::erase(left, "ConvertGWMLog.txt");
        EXPECT_EQ(left, std::vector<std::string>{c.output}) << c.args[0];
    }
}

// A file-size limit the command inherits, lower than its own: a message
// and status 1 instead of a silent death by SIGXFSZ.
TEST_F(NothingLostTest, AnInheritedFileSizeLimitIsReported) {
    ProcessOptions options;
    options.env = env_;
    options.fileSizeLimit = 20000;
    const auto out = dir_.Path() / "out" / "walk.htr";
    fs::create_directory(dir_.Path() / "out");
    const auto result = Run({"convert", kHtr, out.string()}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    EXPECT_TRUE(tovtest::Entries(dir_.Path() / "out").empty());
}

// Standard output closed early (`| head -c 100`): the process ends by
// SIGPIPE, quietly, and its staged output goes.
TEST_F(NothingLostTest, AClosedPipeLeavesNothingStaged) {
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    ::fcntl(pipe[1], F_SETPIPE_SZ, 4096);  // one page, which the sample's output overfills
    ProcessOptions options;
    options.env = env_;
    options.outputFd = pipe[1];
    const pid_t pid = tovtest::StartProcess({"convert", kHtr, "-"}, dir_, options);
    ::close(pipe[1]);
    ASSERT_GT(pid, 0);
    char head[100];
    ASSERT_GT(::read(pipe[0], head, sizeof head), 0);
    ::close(pipe[0]);
    const auto result = tovtest::WaitProcess(pid, dir_);
    EXPECT_EQ(result.status, 128 + SIGPIPE);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(tovtest::Entries(dir_.Path() / "tmp").empty());
}

// The private folder of a run that was killed is removed by the next run.
TEST_F(NothingLostTest, LeftoversOfKilledRunsGo) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const auto left = dir_.Path() / "tmp" / ("tovfileio-" + std::to_string(child) + "-abc123");
    fs::create_directory(left);
    dir_.Write("tmp/tovfileio-" + std::to_string(child) + "-abc123/walk.htr", "half");
    EXPECT_EQ(Run({"info", kHtr}).status, 0);
    EXPECT_FALSE(fs::exists(left));
}

// A batch refuses, before it writes anything, sources that would collide.
TEST_F(NothingLostTest, CollidingSourcesAreRefused) {
    const auto out = dir_.Path() / "out";
    fs::create_directories(dir_.Path() / "a");
    fs::create_directories(dir_.Path() / "b");
    fs::create_directories(out);
    const auto a = dir_.Write("a/walk.trc", ReadBytes(kTrc));
    const auto b = dir_.Write("b/walk.trc", ReadBytes(kTrc));
    const auto own = dir_.Write("out/src.gwm", ReadBytes(kTrc));
    const auto log = dir_.Write("out/ConvertGWMLog.txt", ReadBytes(kTrc));
    const struct {
        std::vector<std::string> sources;
        std::string reason;
    } cases[] = {
        {{a.string(), b.string()}, a.string() + " and " + b.string() + " would both become " +
                                       (out / "walk.gwm").string()},
        {{own.string()}, own.string() + " would be replaced by the GWM file of " + own.string()},
        {{log.string()}, log.string() + " is the batch's log, which the batch replaces"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"convert", "--batch", "-o", out.string()};
        args.insert(args.end(), c.sources.begin(), c.sources.end());
        const auto result = Run(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "tovfileio convert: " + c.reason + "; nothing converted\n");
        EXPECT_EQ(tovtest::Entries(out), (std::vector<std::string>{"ConvertGWMLog.txt", "src.gwm"}));
        EXPECT_EQ(ReadBytes(log), ReadBytes(kTrc));
    }
}

// Two batches into one folder at once take turns: each GWM file is one
// run's whole file, and so is the log.
TEST_F(NothingLostTest, TwoBatchesIntoOneFolderTakeTurns) {
    const auto out = dir_.Path() / "out";
    std::string longTrc = ReadBytes(kTrc);
    longTrc.replace(longTrc.find("\t40\t"), 4, "\t18000\t");
    std::vector<std::string> sources;
    for (int i = 0; i < 4; ++i) sources.push_back(dir_.Write("f" + std::to_string(i) + ".trc", longTrc).string());
    std::vector<std::string> first{"convert", "--batch", "--frames", "header", "-o", out.string()};
    first.insert(first.end(), sources.begin(), sources.end());
    std::vector<std::string> second = first;
    second.insert(second.begin() + 2, {"--offset", "1", "2", "3"});
    tovtest::ScratchDir otherScratch;
    ProcessOptions options;
    options.env = env_;
    const pid_t a = tovtest::StartProcess(first, dir_, options);
    const pid_t b = tovtest::StartProcess(second, otherScratch, options);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(tovtest::WaitProcess(a, dir_).status, 0);
    EXPECT_EQ(tovtest::WaitProcess(b, otherScratch).status, 0);
    std::set<std::string> versions;
    for (int i = 0; i < 4; ++i) versions.insert(ReadBytes(out / ("f" + std::to_string(i) + ".gwm")));
    // The files of one run differ only in their names; those of the other
    // have their points moved.
    for (const std::string& gwm : versions) {
        EXPECT_EQ(gwm.substr(gwm.size() - 2), "\n\n");
        EXPECT_NE(gwm.find("\n18000\tDROPOUT\t"), std::string::npos);
    }
    const std::string log = ReadBytes(out / "ConvertGWMLog.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3 + 4) << log;
    EXPECT_FALSE(fs::exists(out / ".ConvertGWMLog.txt.lock"));
}

// kill -9 in the middle of a batch of one job, held at its fourth source
// (a FIFO), the reading a file ahead of the writing:
// every GWM file there is whole, the log holds a line for each but perhaps
// the last (the kill may fall between a file's rename and its line), and no
// temporary file is left; the batch's lock file, which a killed run cannot
// remove, goes with the next run.
TEST_F(NothingLostTest, AKilledBatchLeavesWholeFilesAndTheirLogLines) {
    const auto out = dir_.Path() / "out";
    const std::string trc = ReadBytes(kTrc);
    tovtest::HeldInput held(dir_.Path() / "f3.trc");
    std::vector<std::string> args{"convert", "--batch", "--jobs", "1", "-o", out.string()};
    for (int i = 0; i < 5; ++i) {
        const std::string name = "f" + std::to_string(i) + ".trc";
        args.push_back(i == 3 ? held.Path().string() : dir_.Write(name, trc).string());
    }
    ProcessOptions options;
    options.env = env_;
    const pid_t pid = tovtest::StartProcess(args, dir_, options);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    ASSERT_TRUE(held.Reached());
    ::kill(pid, SIGKILL);
    ASSERT_EQ(tovtest::WaitProcess(pid, dir_).status, 128 + SIGKILL);
    const std::string log = ReadBytes(out / "ConvertGWMLog.txt");
    std::size_t whole = 0, logged = 0;
    for (const std::string& name : tovtest::Entries(out)) {
        if (name == "ConvertGWMLog.txt" || name == ".ConvertGWMLog.txt.lock") continue;
        ASSERT_EQ(name.substr(name.size() - 4), ".gwm") << name;
        const std::string gwm = ReadBytes(out / name);
        EXPECT_NE(gwm.find("\n\n40\t"), std::string::npos) << name;
        EXPECT_EQ(gwm.substr(gwm.size() - 2), "\n\n") << name;
        ++whole;
        const std::string line = (dir_.Path() / name).replace_extension(".trc").string() + " done.\n";
        if (log.find(line) != std::string::npos) ++logged;
    }
    EXPECT_GE(whole, 1u);
    EXPECT_GE(logged + 1, whole) << log;
    // Every file the log calls done is there.
    std::size_t done = 0;
    for (std::size_t at = log.find(" done.\n"); at != std::string::npos; at = log.find(" done.\n", at + 1)) {
        ++done;
    }
    EXPECT_EQ(done, logged) << log;
    EXPECT_EQ(Run({"convert", "--batch", "-o", out.string(), kTrc}).status, 0);
    EXPECT_FALSE(fs::exists(out / ".ConvertGWMLog.txt.lock"));
}

}  // namespace
