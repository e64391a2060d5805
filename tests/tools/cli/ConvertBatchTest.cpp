// tovfileio convert --batch: the conversion of many TRC files with its log,
// and what the command line does with each source: a source the reader
// refuses is named and gets no GWM file, the others are converted, and the
// exit status and the last line say how it went.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
namespace fs = std::filesystem;
using tovtest::ReadBytes;
using tovtest::RunCommand;
using tovtest::RunExpecting;
using tovtest::RunOk;

// Two markers over two frames; RFHD has no sample in the second.
const std::string kTrc = tovtest::TrcText({"LFHD", "RFHD"}, {"1\t2\t3\t4\t5\t6", "7\t8\t9\t\t\t"});
const std::string kRows =
    "1\t1.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
    "2\t7.000000\t-9.000000\t8.000000\tDROPOUT\t\n\n";
const std::string kRefused = "The file is does not have a compatible \"(X/Y/Z)\" header state";
// SOURCE_DATE_EPOCH 259200: 1970-01-04 00:00:00 UTC, a Sunday.
const std::string kLogHead = "Tovelund TOVFileIO TRC to GWM Batch Conversion Log\nSun Jan  4 00:00:00 1970\n";

// The part of a GWM file the batch's settings decide (the layout around it
// is the writer's, checked with the writer).
std::string Points(const std::string& order, const std::string& rows) {
    return "\n$Order\n" + order + "\n\n$Points\n" + rows;
}

class ConvertBatchTest : public tovtest::CliTest {
protected:
    void SetUp() override {
        fs::create_directories(dir_.Path() / "in" / "sub");
        fs::create_directories(dir_.Path() / "out");
    }
    // A source in the folder "in", written with `text`.
    std::string Source(const std::string& name, const std::string& text = kTrc) const {
        return Write("in/" + name, text);
    }
    std::string Out() const { return Path("out"); }
    std::string OutFile(const std::string& name) const { return ReadBytes(dir_.Path() / "out" / name); }
    std::string Log() const { return OutFile("ConvertGWMLog.txt"); }

    const tovtest::ScopedEnv epoch_{"SOURCE_DATE_EPOCH", "259200"};
};

// A source the reader refuses (HTR text) between two good ones: it is named
// on standard error, its older GWM file stays as it was, the others are
// converted, the log says what happened and the status is 1.
TEST_F(ConvertBatchTest, ARefusedSourceGetsNoFileAndFailsTheRun) {
    const std::string a = Source("a.trc"), bad = Source("bad.trc", "[Header]\nFileType htr\n");
    const std::string c = Source("sub/c.trc");
    Write("out/bad.gwm", "precious");
    RunExpecting({"convert", "--batch", "-o", Out(), a, bad, c}, 1,
                 bad + ": " + kRefused +
                     " (line 1: there is no third tab-separated field; the reader takes exactly \"(X/Y/Z)\" "
                     "there)\ntovfileio convert: 2 of 3 files converted, 1 failed, 0 with warnings\n");
    EXPECT_EQ(Log(), kLogHead + "Processing 3 files...\nfile: " + a + " done.\n" + bad + ": " + kRefused +
                         "\nfile: " + c + " done.\n");
    EXPECT_THAT(OutFile("a.gwm"), EndsWith(Points("LFHD RFHD ", kRows)));
    EXPECT_THAT(OutFile("c.gwm"), EndsWith(Points("LFHD RFHD ", kRows)));
    EXPECT_EQ(OutFile("bad.gwm"), "precious");
}

// The map with its filter turned off, and with an offset (in the TRC file's
// space unless told otherwise), as the panel's settings apply them.
TEST_F(ConvertBatchTest, SettingsOfTheRun) {
    const std::string a = Source("a.trc"), map = Write("map.mnm", "Head\tRFHD\t\n");
    const struct {
        Arguments options;
        const char* order;
        std::string rows;
    } cases[] = {
        {{"--mnm", map, "--no-filter"}, "LFHD RFHD ", kRows},
        {{"--mnm", map, "--offset", "10", "20", "30"}, "Head ",
         "1\t14.000000\t-36.000000\t25.000000\t\n\n2\tDROPOUT\t\n\n"},
    };
    for (const auto& c : cases) {
        RunOk(tovtest::With(tovtest::With({"convert", "--batch", "-o", Out()}, c.options), {a}));
        EXPECT_THAT(OutFile("a.gwm"), EndsWith(Points(c.order, c.rows)));
    }
}

// Sources named from the current folder and by absolute paths keep their
// names in the log; a missing output folder is made; the batch takes at
// most 1000 files.
TEST_F(ConvertBatchTest, SourcesAsGivenAndAtMostAThousand) {
    Source("a.trc");
    const std::string b = Source("sub/b.trc");
    const auto here = fs::current_path();
    fs::current_path(dir_.Path() / "in");
    RunOk({"convert", "--batch", "-o", "../new/out", "a.trc", b, "./a.trc"});
    fs::current_path(here);
    EXPECT_EQ(ReadBytes(dir_.Path() / "new/out/ConvertGWMLog.txt"),
              kLogHead + "Processing 3 files...\nfile: a.trc done.\nfile: " + b +
                  " done.\nfile: ./a.trc done.\n");
    EXPECT_TRUE(fs::exists(dir_.Path() / "new/out/b.gwm"));

    Arguments many{"convert", "--batch", "-o", Out()};
    for (int i = 0; i < 1001; ++i) many.push_back(Source("m" + std::to_string(i) + ".trc"));
    RunExpecting(many, 0,
                 many.back() +
                     ": warning: a batch takes at most 1000 files; this one and the 0 after it are not "
                     "converted\n"
                     "tovfileio convert: 1000 of 1000 files converted, 0 failed, 0 with warnings\n");
    EXPECT_THAT(Log(), HasSubstr("\nProcessing 1000 files...\n"));
    EXPECT_TRUE(fs::exists(dir_.Path() / "out/m999.gwm"));
    EXPECT_FALSE(fs::exists(dir_.Path() / "out/m1000.gwm"));
}

// Warnings in a batch as for one file: a map that names none of a file's
// markers, a file that reads otherwise than it means. With --strict such a
// file is not written (an older one stays) and the status is 1.
TEST_F(ConvertBatchTest, WarningsAndStrict) {
    const std::string a = Source("a.trc"), nan = Source("nan.trc", tovtest::Edited(kTrc, "7\t8\t9",
        "NaN\tNaN\tNaN"));
    const std::string map = Write("map.mnm", "Head\tNOSUCH\t\n");
    RunExpecting({"convert", "--batch", "-o", Out(), "--mnm", map, a}, 0,
                 map + ": warning: names none of the markers of " + a +
                     "; the GWM file holds no marker\n"
                     "tovfileio convert: 1 of 1 file converted, 0 failed, 1 with warnings\n");
    Write("out/nan.gwm", "precious");
    RunExpecting({"convert", "--batch", "--strict", "-o", Out(), a, nan}, 1, nan +
        ": warning: 3 coordinate fields hold text, not a number (first \"NaN\" on line 8); "
                             "read as 0, not as a dropout\n" +
                           nan + ": 1 warning, failures with --strict; nothing written\n"
                                 "tovfileio convert: 1 of 2 files converted, 1 failed, 1 with warnings\n");
    EXPECT_EQ(OutFile("nan.gwm"), "precious");
    EXPECT_EQ(Log(), kLogHead + "Processing 2 files...\nfile: " + a + " done.\n");
    RunOk({"convert", "--batch", "-o", Out(), nan});
    EXPECT_NE(OutFile("nan.gwm"), "precious");
}

// A GWM file that cannot be written stops the batch; what cannot be used
// stops it before it starts, without a log.
TEST_F(ConvertBatchTest, FailuresEndTheRun) {
    const std::string a = Source("a.trc"), b = Source("b.trc"), c = Source("c.trc");
    fs::create_directories(dir_.Path() / "out/b.gwm");
    RunExpecting({"convert", "--batch", "-o", Out(), a, b, c}, 1,
                 Out() + "/b.gwm: The file could not be written completely (Is a directory); the batch "
                         "stopped at " + b + " (1 of 3 files converted)\n"
                         "tovfileio convert: 1 of 3 files converted, 1 failed, 0 with warnings\n");
    EXPECT_EQ(Log(), kLogHead + "Processing 3 files...\nfile: " + a + " done.\n");
    EXPECT_FALSE(fs::exists(dir_.Path() / "out/c.gwm"));

    const std::string none = Path("none.mnm");
    const std::pair<Arguments, std::string> refusals[] = {
        {{"-o", Out(), "--mnm", none}, none + ": The file could not be opened (No such file or directory)\n"},
        {{"-o", a}, a + ": is not a folder; --batch writes its files into the folder -o names\n"},
    };
    for (const auto& [options, err] : refusals) {
        fs::remove(dir_.Path() / "out/ConvertGWMLog.txt");
        RunExpecting(tovtest::With(tovtest::With({"convert", "--batch"}, options), {a}), 1, err);
        EXPECT_FALSE(fs::exists(dir_.Path() / "out/ConvertGWMLog.txt"));
    }
}

// Several jobs give the run of one: the same files, log, messages and
// status, in the same order, whichever file finishes first; a file that
// cannot be written still stops the batch there, and files after it that
// were already written are not put in place.
TEST_F(ConvertBatchTest, AnyNumberOfJobsGivesTheRunOfOne) {
    // Files of very different lengths, so that later ones finish first.
    const std::string longTrc = tovtest::Edited(kTrc, "60\t60\t2\t", "60\t60\t4000\t");
    std::string longRows;
    for (int frame = 3; frame <= 4000; ++frame) longRows += std::to_string(frame) + "\t0\t1\t2\t3\t4\t5\t6\n";
    const Arguments sources = {Source("long.trc", longTrc + longRows), Source("a.trc"),
                               Source("bad.trc", "[Header]\nFileType htr\n"),
                               Source("few.trc", longTrc),  // pads frames it lacks: warned of
                               Source("b.trc"), Source("c.trc")};
    struct Run {
        int status;
        std::string err, files;
    };
    auto run = [&](const std::string& jobs, bool blocked) {
        fs::remove_all(dir_.Path() / "out");
        fs::create_directories(dir_.Path() / (blocked ? "out/b.gwm" : "out"));
        const auto result = RunCommand(tovtest::With({"convert", "--batch", "--jobs", jobs, "-o",
            Out()}, sources));
        std::string files;
        for (const char* name : {"ConvertGWMLog.txt", "long.gwm", "a.gwm", "bad.gwm", "few.gwm", "c.gwm"}) {
            const auto path = dir_.Path() / "out" / name;
            files += std::string(name) + ":\n" + (fs::exists(path) ? ReadBytes(path) : "-") + "\n";
        }
        return Run{result.status, result.err, files};
    };
    for (const bool blocked : {false, true}) {
        const Run one = run("1", blocked);
        EXPECT_EQ(one.status, 1);
        for (const char* jobs : {"2", "3", "6"}) {
            const Run many = run(jobs, blocked);
            SCOPED_TRACE(std::string(jobs) + (blocked ? " blocked" : ""));
            EXPECT_EQ(many.status, one.status);
            EXPECT_EQ(many.err, one.err);
            EXPECT_EQ(many.files, one.files);
        }
    }
}

}  // namespace
