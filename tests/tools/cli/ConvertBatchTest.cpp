// tovfileio convert --batch: the conversion of many TRC files with its log,
// and what the command line does with each source: a source the reader
// refuses is named and gets no GWM file, the others are converted, and the
// exit status and the last line say how it went.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

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

const std::string kRows =
    "1\t1.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
    "2\t7.000000\t-9.000000\t8.000000\tDROPOUT\t\n\n";

// 1970-01-04 00:00:00 UTC, a Sunday.
constexpr const char* kEpoch = "259200";
constexpr const char* kDateTime = "Sun Jan  4 00:00:00 1970";
const std::string kLogHead =
    std::string("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n") + kDateTime + "\n";

// The part of a GWM file the batch's settings decide (the layout around it
// is the writer's, checked with the writer).
std::string Points(const std::string& order, const std::string& rows) {
    return "\n$Order\n" + order + "\n\n$Points\n" + rows;
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
    }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }
    std::string In(const std::string& name) const { return (dir_.Path() / "in" / name).string(); }
    std::string Out() const { return (dir_.Path() / "out").string(); }
    std::string OutFile(const std::string& name) const { return ReadBytes(dir_.Path() / "out" / name); }
    std::string Log() const { return OutFile("ConvertGWMLog.txt"); }

    tovtest::ScratchDir dir_;
};

// A source the reader refuses (HTR text) between two good ones: it is named
// on standard error, its older GWM file stays as it was, the others are
// converted, the log says what happened and the status is 1.
TEST_F(ConvertBatchTest, ARefusedSourceGetsNoFileAndFailsTheRun) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/bad.trc", "[Header]\nFileType htr\n");
    dir_.Write("in/sub/c.trc", kTrc);
    dir_.Write("out/bad.gwm", "precious");
    const auto result = RunCommand({"convert", "--batch", "-o", Out(), In("a.trc"), In("bad.trc"),
                                    In("sub/c.trc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, In("bad.trc") + ": " + ReaderMessage(In("bad.trc")) +
                              " (line 1: there is no third tab-separated field; the reader takes "
                              "exactly \"(X/Y/Z)\" there)\n"
                              "tovfileio convert: 2 of 3 files converted, 1 failed, 0 with warnings\n");
    EXPECT_EQ(Log(), kLogHead + "Processing 3 files...\nfile: " + In("a.trc") + " done.\n" +
                         In("bad.trc") + ": " + ReaderMessage(In("bad.trc")) + "\nfile: " +
                         In("sub/c.trc") + " done.\n");
    EXPECT_TRUE(OutFile("a.gwm").ends_with(Points("LFHD RFHD ", kRows)));
    EXPECT_TRUE(OutFile("c.gwm").ends_with(Points("LFHD RFHD ", kRows)));
    EXPECT_EQ(OutFile("bad.gwm"), "precious");
}

// The map, the filter and the offset, as the panel's settings apply them.
TEST_F(ConvertBatchTest, SettingsOfTheRun) {
    dir_.Write("in/a.trc", kTrc);
    const std::string map = dir_.Write("map.mnm", "Head\tRFHD\t\n").string();
    const struct {
        Arguments options;
        const char* order;
        std::string rows;
    } cases[] = {
        {{"--mnm", map}, "Head ", "1\t4.000000\t-6.000000\t5.000000\t\n\n2\tDROPOUT\t\n\n"},
        {{"--mnm", map, "--no-filter"}, "LFHD RFHD ", kRows},
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
        EXPECT_TRUE(OutFile("a.gwm").ends_with(Points(c.order, c.rows)))
            << c.options.size() << "\n" << OutFile("a.gwm");
    }
}

// Sources named from the current folder and by absolute paths keep their
// names in the log; a missing output folder is made; the batch takes at
// most 1000 files.
TEST_F(ConvertBatchTest, SourcesAsGivenAndAtMostAThousand) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/sub/b.trc", kTrc);
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path() / "in");
    const auto result = RunCommand({"convert", "--batch", "-o", "../new/out", "a.trc",
                                    In("sub/b.trc"), "./a.trc"});
    std::filesystem::current_path(here);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadBytes(dir_.Path() / "new" / "out" / "ConvertGWMLog.txt"),
              kLogHead + "Processing 3 files...\nfile: a.trc done.\nfile: " + In("sub/b.trc") +
                  " done.\nfile: ./a.trc done.\n");
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "new" / "out" / "b.gwm"));

    Arguments many{"convert", "--batch", "-o", Out()};
    for (int i = 0; i < 1001; ++i) {
        many.push_back(dir_.Write("in/m" + std::to_string(i) + ".trc", kTrc).string());
    }
    const auto capped = RunCommand(many);
    EXPECT_EQ(capped.status, 0);
    EXPECT_EQ(capped.err, In("m1000.trc") + ": warning: a batch takes at most 1000 files; this "
                                            "one and the 0 after it are not converted\n"
                                            "tovfileio convert: 1000 of 1000 files converted, 0 "
                                            "failed, 0 with warnings\n");
    EXPECT_NE(Log().find("\nProcessing 1000 files...\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "out" / "m999.gwm"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out" / "m1000.gwm"));
}

// Warnings in a batch as for one file: a map that names none of a file's
// markers, a file that reads otherwise than it means. With --strict such a
// file is not written (an older one stays) and the status is 1.
TEST_F(ConvertBatchTest, WarningsAndStrict) {
    dir_.Write("in/a.trc", kTrc);
    std::string nan = kTrc;
    nan.replace(nan.find("7\t8\t9"), 5, "NaN\tNaN\tNaN");
    dir_.Write("in/nan.trc", nan);
    const std::string map = dir_.Write("map.mnm", "Head\tNOSUCH\t\n").string();
    auto result = RunCommand({"convert", "--batch", "-o", Out(), "--mnm", map, In("a.trc")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, map + ": warning: names none of the markers of " + In("a.trc") +
                              "; the GWM file holds no marker\n"
                              "tovfileio convert: 1 of 1 file converted, 0 failed, 1 with warnings\n");

    dir_.Write("out/nan.gwm", "precious");
    const std::string textWarning =
        In("nan.trc") + ": warning: 3 coordinate fields hold text, not a number (first \"NaN\" on "
                        "line 8); read as 0, not as a dropout\n";
    result = RunCommand({"convert", "--batch", "--strict", "-o", Out(), In("a.trc"), In("nan.trc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, textWarning + In("nan.trc") +
                              ": 1 warning, failures with --strict; nothing written\n"
                              "tovfileio convert: 1 of 2 files converted, 1 failed, 1 with warnings\n");
    EXPECT_EQ(OutFile("nan.gwm"), "precious");
    EXPECT_EQ(Log(), kLogHead + "Processing 2 files...\nfile: " + In("a.trc") + " done.\n");
    result = RunCommand({"convert", "--batch", "-o", Out(), In("nan.trc")});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(OutFile("nan.gwm"), "precious");
}

// A GWM file that cannot be written stops the batch; what cannot be used
// stops it before it starts.
TEST_F(ConvertBatchTest, FailuresEndTheRun) {
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/b.trc", kTrc);
    dir_.Write("in/c.trc", kTrc);
    std::filesystem::create_directories(dir_.Path() / "out" / "b.gwm");
    auto result = RunCommand({"convert", "--batch", "-o", Out(), In("a.trc"), In("b.trc"),
                              In("c.trc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Out() + "/b.gwm: The file could not be written completely (Is a "
                                  "directory); the batch stopped at " + In("b.trc") +
                              " (1 of 3 files converted)\n"
                              "tovfileio convert: 1 of 3 files converted, 1 failed, 0 with warnings\n");
    EXPECT_EQ(Log(), kLogHead + "Processing 3 files...\nfile: " + In("a.trc") + " done.\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out" / "c.gwm"));

    const struct {
        Arguments args;
        std::string err;
    } refusals[] = {
        {{"--mnm", (dir_.Path() / "none.mnm").string()},
         (dir_.Path() / "none.mnm").string() +
             ": The file could not be opened (No such file or directory)\n"},
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

// Several jobs give the run of one: the same files, log, messages and
// status, in the same order, whichever file finishes first; a file that
// cannot be written still stops the batch there, and files after it that
// were already written are not put in place.
TEST_F(ConvertBatchTest, AnyNumberOfJobsGivesTheRunOfOne) {
    // Files of very different lengths, so that later ones finish first.
    std::string longRows;
    for (int frame = 3; frame <= 4000; ++frame) {
        longRows += std::to_string(frame) + "\t0\t1\t2\t3\t4\t5\t6\n";
    }
    std::string longTrc = kTrc;
    longTrc.replace(longTrc.find("60\t120\t2"), 9, "60\t120\t4000");
    dir_.Write("in/long.trc", longTrc + longRows);
    dir_.Write("in/a.trc", kTrc);
    dir_.Write("in/bad.trc", "[Header]\nFileType htr\n");
    dir_.Write("in/few.trc", longTrc);  // pads frames it lacks: warned of
    dir_.Write("in/b.trc", kTrc);
    dir_.Write("in/c.trc", kTrc);
    const Arguments sources = {In("long.trc"), In("a.trc"), In("bad.trc"), In("few.trc"),
                               In("b.trc"), In("c.trc")};
    struct Run {
        int status;
        std::string err, files;
    };
    auto run = [&](const std::string& jobs, bool blocked) {
        std::filesystem::remove_all(dir_.Path() / "out");
        std::filesystem::create_directories(dir_.Path() / "out");
        if (blocked) std::filesystem::create_directories(dir_.Path() / "out" / "b.gwm");
        Arguments args = {"convert", "--batch", "--jobs", jobs, "-o", Out()};
        args.insert(args.end(), sources.begin(), sources.end());
        const auto result = RunCommand(args);
        std::string files;
        for (const char* name : {"ConvertGWMLog.txt", "long.gwm", "a.gwm", "bad.gwm", "few.gwm",
                                 "c.gwm"}) {
            const auto path = dir_.Path() / "out" / name;
            files += std::string(name) + ":\n" + (std::filesystem::exists(path) ? ReadBytes(path) : "-") + "\n";
        }
        return Run{result.status, result.err, files};
    };
    for (const bool blocked : {false, true}) {
        const Run one = run("1", blocked);
        EXPECT_EQ(one.status, 1);
        for (const char* jobs : {"2", "3", "6"}) {
            const Run many = run(jobs, blocked);
            EXPECT_EQ(many.status, one.status) << jobs << (blocked ? " blocked" : "");
            EXPECT_EQ(many.err, one.err) << jobs << (blocked ? " blocked" : "");
            EXPECT_EQ(many.files, one.files) << jobs << (blocked ? " blocked" : "");
        }
    }
    // With b.gwm blocked the run stops there: c.gwm is never put in place.
    EXPECT_NE(run("3", true).files.find("c.gwm:\n-\n"), std::string::npos);
    EXPECT_EQ(RunCommand({"convert", "--jobs", "2", In("a.trc"), Out() + "/x.gwm"}).status, 2);
}

}  // namespace
