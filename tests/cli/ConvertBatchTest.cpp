// tovfileio convert --batch: the module's batch conversion with the
// command line's settings, its log and its endings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "brindle/host/RegistryStore.h"
#include "brindle/sdk/TextCodec.h"
#include "tests/cli/RunCommand.h"
#include "tests/support/TestFiles.h"
#include "trc/TRCFile.h"

using tovtest::ReadBytes;
using tovtest::RunCommand;

namespace {

// Two markers over two frames; RFHD has no sample in the second.
constexpr const char* kTrc =
    "PathFileType\t4\t(X/Y/Z)\ta.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n60\t120\t2\t2\tmm\t60\t1\t2\n"
    "Frame#\tTime\tLFHD\t\t\tRFHD\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n"
    "1\t0\t1\t2\t3\t4\t5\t6\n"
    "2\t0.016667\t7\t8\t9\t\t\t\n";

// 1970-01-04 00:00:00 UTC, a Sunday.
constexpr const char* kEpoch = "259200";
constexpr const char* kDateTime = "Sun Jan  4 00:00:00 1970";

std::string Gwm(const std::string& name, const std::string& order, const std::string& rows) {
    return std::string("$Comments\tGWM file generated from TRC file by\n"
                       "$Comments\tTovelund TOVFileIO plugin\n\n"
                       "$Filename   ") +
           name + "\n$DateTime   " + kDateTime +
           "\n\n$FirstFrame 1\n$LastFrame 2\n$NumFrames 2\n$NumMarkers " +
           std::to_string(order.empty() ? 0 : std::count(order.begin(), order.end(), ' ')) +
           "\n$CaptureRate 120\n$Rate 60\n\n$Order\n" + order + "\n\n$Points\n" + rows;
}

std::string ReaderMessage(const std::filesystem::path& path) {
    TRCFile trc;
    return TextCodec::EncodeUtf8(trc.Read(tovtest::Wide(path)));
}

class ConvertBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SOURCE_DATE_EPOCH", kEpoch, 1);
        std::filesystem::create_directories(dir_.Path() / "in" / "sub");
        std::filesystem::create_directories(dir_.Path() / "out");
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / "registry.reg").string());
    }
    void TearDown() override {
        ::unsetenv("SOURCE_DATE_EPOCH");
        brindle::host::RegistryStore::Instance().UseFile("");
    }
    std::string In(const std::string& name) const { return (dir_.Path() / "in" / name).string(); }
    std::string Out() const { return (dir_.Path() / "out").string(); }
    std::string Log() const { return ReadBytes(dir_.Path() / "out" / "ConvertGWMLog.txt"); }

    tovtest::ScratchDir dir_;
};

// The files and the log, byte for byte, with a file the reader refuses in
// the middle and sources in two folders; the settings given are not kept.
TEST_F(ConvertBatchTest, WritesTheFilesAndTheLog) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/bad.trc", "junk\n");
    dir_.Write("in/sub/c.trc", kTrc);
    const auto result = RunCommand({"convert", "--batch", "-o", Out(), In("a.trc"), In("bad.trc"),
                                    In("sub/c.trc")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, Out() + "/ConvertGWMLog.txt: warning: 1 reader message about the "
                                  "sources (their files were written from what was read)\n");
    EXPECT_EQ(Log(), std::string("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n") +
                         kDateTime + "\nProcessing 3 files...\nfile: " + In("a.trc") +
                         " done.\n" + In("bad.trc") + ": " + ReaderMessage(In("bad.trc")) +
                         "\nfile: " + In("bad.trc") + " done.\nfile: " + In("sub/c.trc") +
                         " done.\n");
    const std::string rows =
        "1\t1.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
        "2\t7.000000\t-9.000000\t8.000000\tDROPOUT\t\n\n";
    EXPECT_EQ(ReadBytes(dir_.Path() / "out" / "a.gwm"), Gwm("a", "LFHD RFHD ", rows));
    EXPECT_EQ(ReadBytes(dir_.Path() / "out" / "c.gwm"), Gwm("c", "LFHD RFHD ", rows));
    EXPECT_EQ(ReadBytes(dir_.Path() / "registry.reg").find("ConvertGWM"), std::string::npos);
}

// The map, the filter and the offset, as the panel's settings apply them.
TEST_F(ConvertBatchTest, SettingsOfTheRun) {
    dir_.Write("in/a.trc", kTrc);
    const std::string map = dir_.Write("map.mnm", "Head\tRFHD\t\n").string();
    const struct {
        Arguments options;
        const char* order;
        const char* rows;
    } cases[] = {
        {{"--mnm", map}, "Head ", "1\t4.000000\t-6.000000\t5.000000\t\n\n2\tDROPOUT\t\n\n"},
        {{"--mnm", map, "--no-filter"},
         "LFHD RFHD ",
         "1\t1.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
         "2\t7.000000\t-9.000000\t8.000000\tDROPOUT\t\n\n"},
        {{"--mnm", map, "--offset", "10", "20", "30"},
         "Head ",
         "1\t14.000000\t-36.000000\t25.000000\t\n\n2\tDROPOUT\t\n\n"},
        {{"--mnm", map, "--offset", "10", "20", "30", "--offset-space", "brindle"},
         "Head ",
         "1\t14.000000\t14.000000\t35.000000\t\n\n2\tDROPOUT\t\n\n"},
    };
    for (const auto& c : cases) {
        Arguments args{"convert", "--batch", "-o", Out()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(In("a.trc"));
        const auto result = RunCommand(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir_.Path() / "out" / "a.gwm"), Gwm("a", c.order, c.rows))
            << c.options.size();
    }
}

// Sources named from the current folder keep their names in the log, and
// the batch takes at most 1000 files.
TEST_F(ConvertBatchTest, SourcesAsGivenAndAtMostAThousand) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/sub/b.trc", kTrc);
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path() / "in");
    const auto result = RunCommand({"convert", "--batch", "-o", "../out", "a.trc", "sub/b.trc",
                                    "./a.trc"});
    std::filesystem::current_path(here);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Log(), std::string("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n") +
                         kDateTime +
                         "\nProcessing 3 files...\nfile: a.trc done.\nfile: sub/b.trc done.\n"
                         "file: ./a.trc done.\n");

    Arguments many{"convert", "--batch", "-o", Out()};
    for (int i = 0; i < 1001; ++i) {
        many.push_back(dir_.Write("in/m" + std::to_string(i) + ".trc", kTrc).string());
    }
    const auto capped = RunCommand(many);
    EXPECT_EQ(capped.status, 0);
    EXPECT_EQ(capped.err, In("m1000.trc") + ": warning: a batch takes at most 1000 files; this "
                                            "one and the 0 after it are not converted\n");
    EXPECT_NE(Log().find("\nProcessing 1000 files...\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "out" / "m999.gwm"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out" / "m1000.gwm"));
}

// Where the run stops: the command line says what the module leaves
// unsaid, and the exit status is 1.
TEST_F(ConvertBatchTest, FailuresEndTheRun) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/b.trc", kTrc);
    dir_.Write("in/c.trc", kTrc);
    std::filesystem::create_directories(dir_.Path() / "out" / "b.gwm");
    auto result = RunCommand({"convert", "--batch", "-o", Out(), In("a.trc"), In("b.trc"),
                              In("c.trc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Out() + "/b.gwm: The file could not be written (Is a directory); the "
                                  "batch stopped at " + In("b.trc") + " (1 of 3 files converted)\n");
    EXPECT_EQ(Log(), std::string("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n") +
                         kDateTime + "\nProcessing 3 files...\nfile: " + In("a.trc") + " done.\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out" / "c.gwm"));

    const struct {
        Arguments args;
        std::string err;
    } refusals[] = {
        {{"--mnm", (dir_.Path() / "none.mnm").string()},
         (dir_.Path() / "none.mnm").string() +
             ": The file could not be opened (No such file or directory)\n"},
        {{"-o", (dir_.Path() / "nowhere").string()},
         (dir_.Path() / "nowhere").string() +
             ": The folder could not be opened (No such file or directory)\n"},
        {{"-o", In("a.trc")},
         In("a.trc") + ": is not a folder; --batch writes its files into the folder -o names\n"},
    };
    for (const auto& c : refusals) {
        std::filesystem::remove(dir_.Path() / "out" / "ConvertGWMLog.txt");
        Arguments args{"convert", "--batch"};
        if (c.args[0] != "-o") args.insert(args.end(), {"-o", Out()});
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(In("a.trc"));
        result = RunCommand(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out" / "ConvertGWMLog.txt"));
    }
}

}  // namespace
