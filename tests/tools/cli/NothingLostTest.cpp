// A careful user's bad day, in real processes: a full disk, a file-size
// limit, a closed pipe, a killed or interrupted run, sources that would
// collide, runs that change one scene at once. Every output is whole or as
// it was, every failure is said with its cause and a status of 1 (or the
// signal's), and no temporary file is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "brindle/host/DocumentLock.h"
#include "tovfileio/module/ResourceIds.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using tovtest::Count;
using tovtest::ProcessOptions;
using tovtest::ReadBytes;
using tovtest::RunOk;
using tovtest::ScratchDir;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;

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
    // The reason a write fails for.
    const char* Reason() const { return mounted_ ? "No space left on device" : "File too large"; }
    bool Mounted() const { return mounted_; }
    ProcessOptions Onto(ProcessOptions options) const {
        if (!mounted_) options.fileSizeLimit = 16;
        return options;
    }

private:
    fs::path path_;
    bool mounted_ = false;
};

class NothingLostTest : public tovtest::CliTest {
protected:
    void SetUp() override {
        fs::create_directories(dir_.Path() / "tmp");
        fs::create_directories(dir_.Path() / "out");
        ASSERT_EQ(Run({"import-htr", kWalkHtr, "--scene", scene_, "--suppress-prompts"}).status, 0);
    }
    // The scratch folder's settings and temporary folder.
    ProcessOptions Options() const {
        return tovtest::KeepingSettingsIn(Path("registry.reg"), Path("tmp"));
    }
    tovtest::ProcessResult Run(const std::vector<std::string>& args) {
        return tovtest::RunProcess(args, dir_, Options());
    }

    const std::string scene_ = Path("s.json"), out_ = Path("out");
};

// Every writer onto a full disk: the older file stays, under each of its
// names, the cause is said, the status is 1, and nothing else is left on
// the disk.
TEST_F(NothingLostTest, AFullDiskLeavesOlderFilesAsTheyWere) {
    const FullDisk disk(dir_.Path() / "disk");
    const std::string d = Path("disk");
    const struct {
        std::vector<std::string> args;
        std::string output;
        std::string otherName;  // a hard link to the output, if any
    } cases[] = {
        {{"export-htr", d + "/out.htr", "--scene", scene_, "--select", "walk", "--suppress-prompts"},
         "out.htr", ""},
        {{"convert", kWalkHtr, d + "/out.htr"}, "out.htr", ""},
        {{"convert", kWalkHtr, d + "/out.glb"}, "out.glb", ""},
        {{"preview", kWalkHtr, "-o", d + "/out.svg"}, "out.svg", ""},
        {{"roundtrip", kWalkHtr, d + "/out.htr"}, "out.htr", ""},
        {{"convert", kWalkTrc, d + "/out.gwm"}, "out.gwm", ""},
        {{"convert", kWalkTrc, d + "/out.gwm"}, "out.gwm", "keep.gwm"},
        {{"convert", "--batch", "-o", d, kWalkTrc}, "walk.gwm", ""},
    };
    for (const auto& [args, output, otherName] : cases) {
        SCOPED_TRACE(args[0] + " " + output + " " + otherName);
        for (const auto& entry : fs::directory_iterator(d)) fs::remove(entry.path());
        Write("disk/" + output, "precious");
        std::vector<std::string> names{output};
        if (!otherName.empty()) {
            fs::create_hard_link(d + "/" + output, d + "/" + otherName);
            names.insert(names.begin(), otherName);
        }
        const auto result = tovtest::RunProcess(args, dir_, disk.Onto(Options()));
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_THAT(result.err, HasSubstr(disk.Reason()));
        for (const std::string& name : names) EXPECT_EQ(ReadBytes(d + "/" + name), "precious");
        // Only the batch's log may have begun on the disk.
        std::vector<std::string> left = tovtest::Entries(d);
        std::erase(left, "ConvertGWMLog.txt");
        EXPECT_EQ(left, names);
    }
}

// Settings that remember an import option, padded with `fillers` values.
std::string PaddedSettings(const std::string& remembered, int fillers) {
    std::string text = remembered + "[HKEY_CURRENT_USER\\Filler]\n";
    for (int i = 0; i < fillers; ++i) text += "\"f" + std::to_string(i) + "\"=dword:00000001\n";
    return text + "\n";
}

// A save of the settings that fails, on a full disk or past a file-size
// limit, is said once and changes nothing else: an import still succeeds
// and saves its scene, forgetting the remembered options fails with status
// 1, no run crashes as it ends, and the settings file stays as it was, with
// no lock or temporary file beside it (a damaged one, kept as .damaged
// before the save failed, under one other name however often it failed).
TEST_F(NothingLostTest, AFailedSaveOfTheSettingsChangesNothingElse) {
    ASSERT_EQ(Run({"import-htr", kWalkHtr, "--scene", Path("first.json"), "--size", "2"}).status,
              0);
    const std::string remembered = ReadBytes(Path("registry.reg"));
    const FullDisk disk(dir_.Path() / "disk");
    const std::vector<std::string> import = {"import-htr", kWalkHtr, "--scene", Path("new.json"),
                                             "--size", "3", "--set-fps"};
    const std::vector<std::string> reset = {"options", "--reset"};
    const struct {
        bool onDisk;  // else past a limit of 256 KB, which the scene is within
        bool damaged;
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {true, false, import, 0},  {false, false, import, 0}, {true, true, import, 0},
        {true, false, reset, 1},   {false, false, reset, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.onDisk ? " on a full disk" : " past a file-size limit") +
                     (c.damaged ? ", damaged" : ""));
        if (c.onDisk && !disk.Mounted()) continue;
        fs::remove(Path("new.json"));
        const std::string name = c.onDisk ? "disk" : "settings", folder = Path(name);
        fs::create_directories(folder);
        for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
        const std::string before = c.damaged  ? "\x01 not settings\n"
                                   : c.onDisk ? remembered
                                              : PaddedSettings(remembered, 12000);
        const std::string settings = Write(name + "/registry.reg", before);
        ProcessOptions options = Options();
        options.env[0] = "BRINDLE_REGISTRY_FILE=" + settings;
        if (!c.onDisk) options.fileSizeLimit = 256 << 10;
        const auto result = tovtest::RunProcess(c.args, dir_, options);
        const std::string reason = c.onDisk ? "No space left on device" : "File too large";
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "tovfileio " + c.args[0] + ": the settings were not saved: " +
                                  settings + ": cannot write: " + reason + "\n");
        EXPECT_EQ(fs::exists(Path("new.json")), c.status == 0);
        EXPECT_EQ(ReadBytes(settings), before);
        std::vector<std::string> left{"registry.reg"};
        if (c.damaged) left.push_back("registry.reg.damaged");
        EXPECT_EQ(tovtest::Entries(folder), left);
    }
}

// A file-size limit the command inherits, lower than its own: a message
// and status 1 instead of a silent death by SIGXFSZ.
TEST_F(NothingLostTest, AnInheritedFileSizeLimitIsReported) {
    ProcessOptions options = Options();
    options.fileSizeLimit = 20000;
    const auto result = tovtest::RunProcess({"convert", kWalkHtr, out_ + "/walk.htr"}, dir_, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("File too large"));
    EXPECT_TRUE(tovtest::Entries(out_).empty());
}

// The private folder of a run that was killed is removed by the next run.
TEST_F(NothingLostTest, LeftoversOfKilledRunsGo) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string left = "tmp/tovfileio-" + std::to_string(child) + "-abc123";
    fs::create_directory(Path(left));
    Write(left + "/walk.htr", "half");
    EXPECT_EQ(Run({"info", kWalkHtr}).status, 0);
    EXPECT_FALSE(fs::exists(Path(left)));
}

// A batch refuses, before it writes anything, sources that would collide.
TEST_F(NothingLostTest, CollidingSourcesAreRefused) {
    fs::create_directories(dir_.Path() / "a");
    fs::create_directories(dir_.Path() / "b");
    const std::string trc = ReadBytes(kWalkTrc), a = Write("a/walk.trc", trc), b = Write("b/walk.trc", trc);
    const std::string own = Write("out/src.gwm", trc), log = Write("out/ConvertGWMLog.txt", trc);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{a, b}, a + " and " + b + " would both become " + out_ + "/walk.gwm"},
        {{own}, own + " would be replaced by the GWM file of " + own},
        {{log}, log + " is the batch's log, which the batch replaces"},
    };
    for (const auto& [sources, reason] : cases) {
        const auto result = Run(tovtest::With({"convert", "--batch", "-o", out_}, sources));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "tovfileio convert: " + reason + "; nothing converted\n");
        EXPECT_EQ(tovtest::Entries(out_), (std::vector<std::string>{"ConvertGWMLog.txt", "src.gwm"}));
        EXPECT_EQ(ReadBytes(log), trc);
    }
}

// Two batches into one folder at once take turns: each GWM file is one
// run's whole file, and so is the log.
TEST_F(NothingLostTest, TwoBatchesIntoOneFolderTakeTurns) {
    const std::string longTrc = tovtest::Edited(ReadBytes(kWalkTrc), "\t40\t", "\t18000\t");
    std::vector<std::string> first{"convert", "--batch", "--frames", "header", "-o", out_};
    for (int i = 0; i < 4; ++i) first.push_back(Write("f" + std::to_string(i) + ".trc", longTrc));
    std::vector<std::string> second = first;
    second.insert(second.begin() + 2, {"--offset", "1", "2", "3"});
    tovtest::ScratchDir otherScratch;
    const pid_t a = tovtest::StartProcess(first, dir_, Options());
    const pid_t b = tovtest::StartProcess(second, otherScratch, Options());
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(tovtest::WaitProcess(a, dir_).status, 0);
    EXPECT_EQ(tovtest::WaitProcess(b, otherScratch).status, 0);
    for (int i = 0; i < 4; ++i) {
        const std::string gwm = ReadBytes(out_ + "/f" + std::to_string(i) + ".gwm");
        EXPECT_THAT(gwm, EndsWith("\n\n"));
        EXPECT_THAT(gwm, HasSubstr("\n18000\tDROPOUT\t"));
    }
    const std::string log = ReadBytes(out_ + "/ConvertGWMLog.txt");
    EXPECT_EQ(Count(log, "\n"), 3u + 4u) << log;
    EXPECT_FALSE(fs::exists(out_ + "/.ConvertGWMLog.txt.lock"));
}

// kill -9 in the middle of a batch of one job, held at its fourth source
// (a FIFO), the reading a file ahead of the writing:
// every GWM file there is whole, the log holds a line for each but perhaps
// the last (the kill may fall between a file's rename and its line), and no
// temporary file is left; the batch's lock file, which a killed run cannot
// remove, goes with the next run.
TEST_F(NothingLostTest, AKilledBatchLeavesWholeFilesAndTheirLogLines) {
    const std::string trc = ReadBytes(kWalkTrc);
    tovtest::HeldInput held(dir_.Path() / "f3.trc");
    std::vector<std::string> args{"convert", "--batch", "--jobs", "1", "-o", out_};
    for (int i = 0; i < 5; ++i) {
        args.push_back(i == 3 ? held.Path().string() : Write("f" + std::to_string(i) + ".trc", trc));
    }
    const pid_t pid = tovtest::StartProcess(args, dir_, Options());
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    ASSERT_TRUE(held.Reached());
    ::kill(pid, SIGKILL);
    ASSERT_EQ(tovtest::WaitProcess(pid, dir_).status, 128 + SIGKILL);
    const std::string log = ReadBytes(out_ + "/ConvertGWMLog.txt");
    std::size_t whole = 0, logged = 0;
    for (const std::string& name : tovtest::Entries(out_)) {
        if (name == "ConvertGWMLog.txt" || name == ".ConvertGWMLog.txt.lock") continue;
        ASSERT_THAT(name, EndsWith(".gwm"));
        const std::string gwm = ReadBytes(out_ + "/" + name);
        EXPECT_THAT(gwm, HasSubstr("\n\n40\t")) << name;
        EXPECT_THAT(gwm, EndsWith("\n\n")) << name;
        ++whole;
        logged += Count(log, (dir_.Path() / name).replace_extension(".trc").string() + " done.\n");
    }
    EXPECT_GE(whole, 1u);
    EXPECT_GE(logged + 1, whole) << log;
    // Every file the log calls done is there.
    EXPECT_EQ(Count(log, " done.\n"), logged) << log;
    EXPECT_EQ(Run({"convert", "--batch", "-o", out_, kWalkTrc}).status, 0);
    EXPECT_FALSE(fs::exists(out_ + "/.ConvertGWMLog.txt.lock"));
}

// Interrupts, in real child processes held at known points. A convert: the
// temporary files go, an existing output stays, and the exit status is the
// signal's; in a batch, Ctrl-C is the cancel between files. tovfileio
// utility: Ctrl-C is the host's cancel: a batch stops after the file being
// written, with only whole GWM files, a closed log with a line for each and
// no hidden file left; the panel closes and saves its settings; the status
// is 130. (mnm-create stopped by Ctrl-C at a pick prompt is
// mnm_create_terminal.sh's, at a real terminal.)
// Each signal at two points where a file of the run's own exists: the
// output to standard output, staged whole and held in its copy to a pipe
// no one reads; and the copy of an input that is a FIFO, held while the
// FIFO stays open, the output file named but not yet written. Standard
// output closed early (`| head`) ends the process by SIGPIPE, quietly.
TEST(InterruptTest, SignalsRemoveTheStagedFiles) {
    const std::string htr = ReadBytes(tovtest::kWalkHtr);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        for (const bool toPipe : {true, false}) {
            if (signalNumber == SIGPIPE && !toPipe) continue;
            SCOPED_TRACE(std::to_string(signalNumber) + (toPipe ? " staged output" : " input copy"));
            tovtest::ScratchDir dir;
            const auto tmp = dir.Path() / "tmp";
            fs::create_directory(tmp);
            fs::create_directory(dir.Path() / "out");
            const auto out = dir.Write("out/walk.htr", "precious");
            tovtest::ProcessOptions options;
            options.env = {"TMPDIR=" + tmp.string()};
            tovtest::HeldInput held(dir.Path() / "held.htr");
            int pipe[2];
            ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
            // A pipe of one page, which the sample's output overfills.
            ::fcntl(pipe[1], F_SETPIPE_SZ, 4096);
            if (toPipe) options.outputFd = pipe[1];
            const pid_t pid = tovtest::StartProcess(
                {"convert", toPipe ? tovtest::kWalkHtr : held.Path().string(),
                 toPipe ? "-" : out.string()},
                dir, options);
            ::close(pipe[1]);
            ASSERT_GT(pid, 0);  // never kill(-1, ...)
            if (toPipe) {
                // A full pipe stays full: the copy out is blocked.
                const int capacity = ::fcntl(pipe[0], F_GETPIPE_SZ);
                EXPECT_TRUE(tovtest::WaitUntil([&] {
                    int queued = 0;
                    return ::ioctl(pipe[0], FIONREAD, &queued) == 0 && queued >= capacity;
                }));
            } else {
                ASSERT_TRUE(held.Reached());
                EXPECT_TRUE(held.Feed(htr));
                EXPECT_TRUE(tovtest::WaitUntil([&] { return !tovtest::Entries(tmp).empty(); }));
            }
            if (signalNumber == SIGPIPE) {
                ::close(std::exchange(pipe[0], -1));
            } else {
                ::kill(pid, signalNumber);
            }
            const auto ended = tovtest::WaitProcess(pid, dir);
            EXPECT_EQ(ended.status, 128 + signalNumber);
            EXPECT_TRUE(signalNumber != SIGPIPE || ended.err.empty()) << ended.err;
            if (pipe[0] >= 0) ::close(pipe[0]);
            EXPECT_TRUE(tovtest::Entries(tmp).empty());
            EXPECT_EQ(ReadBytes(out), "precious");
            EXPECT_EQ(tovtest::Entries(dir.Path() / "out"), std::vector<std::string>{"walk.htr"});
        }
    }
}

// Whether another process holds the flock of the lock file `path`.
bool HeldByAnother(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// SIGINT or SIGTERM while a save of the settings holds their lock: the
// lock file goes with the process, and the settings file is whole.
TEST(InterruptTest, ASignalDuringASettingsSaveLeavesNoLock) {
    const std::string settingsText =
        PaddedSettings("Windows Registry Editor Version 5.00\n\n", 60000);
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        tovtest::ScratchDir dir;
        const std::string settings = dir.Write("registry.reg", settingsText).string();
        const std::string lock = (dir.Path() / ".registry.reg.lock").string();
        const pid_t pid = tovtest::StartProcess(
            {"import-htr", kWalkHtr, "--scene", (dir.Path() / "s.json").string(), "--size", "2"},
            dir, tovtest::KeepingSettingsIn(settings));
        ASSERT_GT(pid, 0);  // never kill(-1, ...)
        EXPECT_TRUE(tovtest::WaitUntil([&] { return HeldByAnother(lock); }));
        ::kill(pid, signalNumber);
        EXPECT_EQ(tovtest::WaitProcess(pid, dir).status, 128 + signalNumber);
        EXPECT_FALSE(fs::exists(lock));
        EXPECT_EQ(Count(ReadBytes(settings), "=dword:00000001\n"), 60000u);
    }
}

std::string Click(int id) { return "click " + std::to_string(id) + "\n"; }

// Ctrl-C in a batch, of convert or of the utility panel, is the cancel
// between files. The second of three sources is a FIFO, and the signal comes
// once the batch has opened it: that file is read to its end and written
// whole, the third is never started, the log has a whole line for each file
// written (convert's closes with a line that says it was interrupted), and no
// hidden file is left. convert ends with status 1; the utility with 130, the
// panel closed and its settings saved. When the second file's target is a
// FIFO that no one reads, its wait for a reader is given up: the run ends
// there, promptly, whichever signal asked (a kill -9 once was the only way
// out).
TEST_F(NothingLostTest, CtrlCStopsABatchBetweenFiles) {
    const struct {
        const char* name;
        bool utility;
        int signal;
        bool fifoTarget;
    } cases[] = {
        {"utility, Ctrl-C", true, SIGINT, false},
        // The panel as the case before left it, batch conversion on.
        {"utility, Ctrl-C, a target no one reads", true, SIGINT, true},
        {"convert, Ctrl-C", false, SIGINT, false},
        {"convert, Ctrl-C, a target no one reads", false, SIGINT, true},
        {"convert, SIGTERM, a target no one reads", false, SIGTERM, true},
    };
    const std::string trc = ReadBytes(kWalkTrc);
    const auto map = dir_.Write("map.mnm", "LFHD\tLFHD\t\nC7\tC7\t\n");
    int runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case's own sources and folder.
        const std::string run = "run" + std::to_string(++runs);
        fs::create_directories(dir_.Path() / run / "out");
        const auto first = dir_.Write(run + "/a.trc", trc);
        tovtest::HeldInput held(dir_.Path() / run / "held.trc");
        const auto last = dir_.Write(run + "/c.trc", trc);
        const auto out = dir_.Path() / run / "out";
        ASSERT_TRUE(!c.fifoTarget || ::mkfifo((out / "held.gwm").c_str(), 0600) == 0);
        // One job: the file after the one being read is not started.
        std::vector<std::string> args = {"convert", "--batch", "--jobs", "1", "-o", out.string(),
                                         first.string(), held.Path().string(), last.string()};
        ProcessOptions options = Options();
        if (c.utility) {
            args = {"utility", "--scene", scene_};
            const std::string answers = Click(IDC_MNM_BROWSE) + map.string() + "\n" +
                                        Click(IDC_OUTPUT_BROWSE) + out.string() + "\n" +
                                        (c.fifoTarget ? "" : Click(IDC_BATCH)) + Click(IDC_CONVERT) +
                                        first.string() + "\n" + held.Path().string() + "\n" +
                                        last.string() + "\n\nquit\n";
            options.inputFd = ::open(dir_.Write("answers", answers).c_str(), O_RDONLY);
        }
        const pid_t pid = tovtest::StartProcess(args, dir_, options);
        if (options.inputFd >= 0) ::close(options.inputFd);
        ASSERT_GT(pid, 0);  // never kill(-1, ...)
        ASSERT_TRUE(held.Reached());
        ::kill(pid, c.signal);
        held.Release(trc);
        const auto ended = tovtest::WaitProcessWithin(pid, dir_, 60s);
        EXPECT_EQ(ended.status, c.utility ? 130 : 1) << ended.err;
        EXPECT_EQ(tovtest::Entries(out),
                  (std::vector<std::string>{"ConvertGWMLog.txt", "a.gwm", "held.gwm"}));
        EXPECT_EQ(fs::is_fifo(out / "held.gwm"), c.fifoTarget);
        // The file being written is whole: its last frame is there.
        EXPECT_THAT(c.fifoTarget ? "\n30\t" : ReadBytes(out / "held.gwm"), HasSubstr("\n30\t"));
        const std::string log = ReadBytes(out / "ConvertGWMLog.txt");
        const std::string heldDone = c.fifoTarget ? "" : "file: " + held.Path().string() + " done.\n";
        const std::string interrupted = std::string("Interrupted: ") + (c.fifoTarget ? "1" : "2") +
                                        " of 3 files converted.\n";
        EXPECT_THAT(log, HasSubstr("file: " + first.string() + " done.\n" + heldDone +
                                   (c.utility ? "" : interrupted)));
        EXPECT_EQ(Count(log, " done.\n"), c.fifoTarget ? 1u : 2u) << log;
        if (!c.utility) continue;
        EXPECT_THAT(ended.err, HasSubstr("interrupted"));
        const auto again = tovtest::RunProcess({"utility", "--scene", scene_}, dir_, Options());
        EXPECT_THAT(again.out, HasSubstr("1201 check box [x] Batch File Conversion"));
        EXPECT_THAT(again.out, HasSubstr("1138 read-only \"" + out.string() + "\""));
    }
}

// Runs that change one scene take turns: two imports started together both
// land in the scene, a run that finds the scene locked for too long refuses
// and says why, and a failed save of the settings is said once.
class SceneLockTest : public tovtest::CliTest {};

// Whether the scene document holds a node named `node`, seen in its JSON.
bool Holds(const std::string& document, const std::string& node) {
    return RunOk({"scene", "--json", document}).out.find("\"name\": \"" + node + "\"") !=
           std::string::npos;
}

// Two imports into one new scene, started together: the skeletons of two
// HTR files, or a skeleton and a TRC file's markers. Before runs took turns
// one of the two was lost every time.
TEST_F(SceneLockTest, TwoImportsIntoOneSceneAtOnceBothLand) {
    const std::string a = Write("a.htr", tovtest::ReadBytes(kWalkHtr)),
        b = Write("b.htr", tovtest::ReadBytes(kWalkHtr));
    const std::string scene = Path("s.json");
    const auto options = tovtest::KeepingSettingsIn(Path("registry.reg"));
    tovtest::ScratchDir output[2];  // each run's output and messages
    for (int trial = 0; trial < 20; ++trial) {
        std::filesystem::remove(scene);
        const bool markers = trial % 2 == 1;
        const pid_t first = tovtest::StartProcess({"import-htr", a, "--scene", scene, "--suppress-prompts"},
                                                  output[0], options);
        const pid_t second = tovtest::StartProcess(
            {markers ? "import-trc" : "import-htr", markers ? kWalkTrc : b, "--scene", scene,
             "--suppress-prompts"},
            output[1], options);
        EXPECT_EQ(tovtest::WaitProcess(first, output[0]).status, 0) << trial;
        EXPECT_EQ(tovtest::WaitProcess(second, output[1]).status, 0) << trial;
        EXPECT_TRUE(Holds(scene, "a")) << trial;
        EXPECT_TRUE(Holds(scene, markers ? "C7" : "b")) << trial;
    }
    EXPECT_EQ(tovtest::Entries(dir_.Path()), (std::vector<std::string>{"a.htr", "b.htr",
        "registry.reg", "s.json"}));
}

// Runs tovfileio in-process with standard error on a terminal; what it wrote there.
tovtest::CommandResult RunAtTerminal(const Arguments& args) {
    tovtest::Terminal terminal;
    tovtest::CommandResult result;
    if (terminal.File() == nullptr) return result;
    CommandIO io;
    io.out = std::fopen("/dev/null", "w");
    io.err = terminal.File();
    result.status = RunTovfileio(args, io);
    std::fclose(io.out);
    result.err = terminal.Shown();
    return result;
}

TEST_F(SceneLockTest, ARunThatFindsTheSceneLockedWaitsThenRefuses) {
    const std::string scene = Path("s.json");
    RunOk({"import-htr", kWalkHtr, "--scene", scene, "--suppress-prompts"});
    const std::string saved = tovtest::ReadBytes(scene);
    brindle::host::DocumentLock other;
    std::string error;
    ASSERT_EQ(other.Acquire(scene, 0ms, {}, error), brindle::host::DocumentLock::Outcome::Held);

    const std::string waiting = "tovfileio import-trc: waiting for " + scene +
        ", which another run is changing\n";
    const std::string refused =
        "tovfileio import-trc: " + scene +
            " is being changed by another run; try again when it has finished\n";
    const Arguments import = {"import-trc", kWalkTrc, "--scene", scene, "--suppress-prompts"};
    struct Case {
        const char* name;
        Arguments args;
        const char* wait;
        bool terminal;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"in a script", import, "0.2", false, 1, refused},
        {"at a terminal", import, "0.2", true, 1, waiting + refused},
        {"no wait", import, "0", true, 1, refused},
        {"a wrong wait", import, "soon", false, 1,
         "tovfileio import-trc: TOVFILEIO_LOCK_WAIT=soon: not a number of seconds\n"},
        {"reading needs no lock", {"scene", scene}, "0", false, 0, ""},
    };
    for (const Case& c : cases) {
        const tovtest::ScopedEnv wait("TOVFILEIO_LOCK_WAIT", c.wait);
        const auto run = c.terminal ? RunAtTerminal(c.args) : tovtest::RunCommand(c.args);
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.name;
    }
}

// What a save of the settings cannot do, or keeps aside, is said once,
// naming the file, and changes nothing else: an import still succeeds, and
// forgetting the remembered options fails with status 1. A folder in the
// file's place and a file beyond what the store reads whole stay as they
// are; a damaged file is kept whole under another name before it is
// replaced, which the next run does not say again. (A FIFO in its place is
// refused as a folder is, in the store's own test.)
TEST_F(SceneLockTest, WhatASettingsSaveCannotDoIsSaidOnce) {
    const std::string settings = Path("registry.reg"), copy = settings + ".damaged";
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
    for (int level = 0; level < 513; ++level) deep += "\\k";
    deep += "]\n";
    const std::string damaged("\x01\xfe\0not settings\n", 17);
    const Arguments import = {"import-htr", kWalkHtr, "--scene", Path("s.json"), "--set-fps"};
    const Arguments reset = {"options", "--reset", "import-htr"};
    const std::string notSaved = ": the settings were not saved: " + settings;
    const std::string notRegular =
        notSaved + ": not a regular file; the settings are not saved there\n";
    const std::string beyond = notSaved +
                               ": beyond what the store reads whole (too large, or keys too "
                               "deep); it is left as it is\n";
    const std::string kept = ": the settings file " + settings + " was damaged; it is kept as " +
                             copy + ", and " + settings +
                             " holds what could be read of it with the settings saved now\n";
    const struct {
        const char* name;
        std::optional<std::string> bytes;  // of the file; none: a folder in its place
        Arguments args;
        int status;
        std::string err;
    } cases[] = {
        {"a folder, import", std::nullopt, import, 0, "tovfileio import-htr" + notRegular},
        {"beyond, import", deep, import, 0, "tovfileio import-htr" + beyond},
        {"damaged, import", damaged, import, 0, "tovfileio import-htr" + kept},
        {"a folder, reset", std::nullopt, reset, 1, "tovfileio options" + notRegular},
        {"damaged, reset", damaged, reset, 0, "tovfileio options" + kept},
    };
    auto& store = brindle::host::RegistryStore::Instance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(settings);
        std::filesystem::remove(copy);
        std::filesystem::remove(Path("s.json"));
        if (!c.bytes) std::filesystem::create_directory(settings);
        if (c.bytes) Write("registry.reg", *c.bytes);
        store.UseFile(settings);
        tovtest::RunExpecting(c.args, c.status, c.err);
        const auto again = tovtest::RunCommand(c.args);
        store.UseFile(Settings());
        EXPECT_EQ(!c.bytes, std::filesystem::is_directory(settings));
        if (c.bytes == damaged) {
            EXPECT_EQ(ReadBytes(copy), damaged);
            EXPECT_EQ(again.err, "");
        } else {
            EXPECT_EQ(again.err, c.err);
            EXPECT_EQ(c.bytes ? ReadBytes(settings) : "", c.bytes.value_or(""));
        }
    }
}

}  // namespace
