// What the command line says when a command cannot do what was asked: the
// cause as the user can act on it, not a consequence that points elsewhere.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

const std::string kSamples = std::string(TOV_SOURCE_DIR) + "/samples/";

class CommandMessagesTest : public ::testing::Test {
protected:
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

    tovtest::ScratchDir dir_;
    tovtest::ScratchSettings settings_;
};

// The last line of a run's standard error, which is the command line's own.
std::string LastLine(const std::string& err) {
    const std::size_t last = err.size() < 2 ? std::string::npos : err.rfind('\n', err.size() - 2);
    return err.substr(last == std::string::npos ? 0 : last + 1);
}

TEST_F(CommandMessagesTest, FailedImportsSayTheirCause) {
    const std::string d = dir_.Path().string() + "/";
    dir_.Write("garbage.trc", "not a marker file\n");
    dir_.Write("frameless.htr",
               "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\n"
               "NumFrames 0\nDataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\n"
               "RotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1\n"
               "[SegmentNames&Hierarchy]\nRoot\tGLOBAL\n[BasePosition]\n"
               "Root\t0\t0\t0\t0\t0\t0\t10\n[EndOfFile]\n");
    dir_.Write("rowless.trc",
               "PathFileType\t4\t(X/Y/Z)\trowless.trc\n"
               "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
               "OrigDataStartFrame\tOrigNumFrames\n60\t60\t0\t1\tmm\t60\t1\t0\n"
               "Frame#\tTime\tA\t\t\n\t\tX1\tY1\tZ1\n");
    const std::string scene = d + "s.json";
    const std::string unchanged = "; the scene was not changed";
    struct Case {
        const char* name;
        Arguments args;
        std::string lastLine;  // the command line's own, after the module's message
    };
    const Case cases[] = {
        {"a TRC file the reader refuses", {"import-trc", d + "garbage.trc", "--scene", scene},
         "tovfileio import-trc: the import failed" + unchanged},
        {"a missing HTR file", {"import-htr", d + "nosuch.htr", "--scene", scene},
         "tovfileio import-htr: " + d +
             "nosuch.htr: the file could not be opened (No such file or directory)" + unchanged},
        {"a TRC file given to import-htr", {"import-htr", kSamples + "walk.trc", "--scene", scene},
         "tovfileio import-htr: " + kSamples + "walk.trc: the file could not be opened (tried " +
             kSamples + "walk.trc.htr: No such file or directory); a TRC file is imported by "
             "import-trc" + unchanged},
        {"a missing file to preview", {"preview", d + "nosuch.htr", "-o", d + "p.svg"},
         "tovfileio preview: " + d + "nosuch.htr: the file could not be opened (No such file or "
                                     "directory)"},
        {"an HTR file without frames", {"import-htr", d + "frameless.htr", "--scene", scene},
         "tovfileio import-htr: " + d +
             "frameless.htr: the file holds no frames, so there is nothing to import" + unchanged},
        {"a TRC file without rows", {"import-trc", d + "rowless.trc", "--scene", scene},
         "tovfileio import-trc: " + d +
             "rowless.trc: the file holds no data rows, so there is nothing to import" + unchanged},
    };
    for (const Case& c : cases) {
        const auto run = RunCommand(c.args);
        EXPECT_EQ(run.status, 1) << c.name << "\n" << run.err;
        EXPECT_EQ(LastLine(run.err), c.lastLine + "\n") << c.name << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(scene)) << c.name;
    }
}

// Arguments the command does not take are refused before anything runs, in
// the order typed, with the option meant.
TEST_F(CommandMessagesTest, UsageErrorsSayWhatIsWrong) {
    const std::string scene = (dir_.Path() / "s.json").string();
    const std::string walk = kSamples + "walk.htr";
    struct Case {
        Arguments args;
        std::string err;
    };
    const Case cases[] = {
        {{"import-htr", walk, "--scene", scene, "--scal-factor", "2", "--sise"},
         "tovfileio import-htr: The following arguments were not expected: --scal-factor 2 --sise "
         "(did you mean --scale-factor for --scal-factor, --size for --sise?)"},
        {{"export-htr", "o.htr", "--scene", scene, "--offst=3"},
         "tovfileio export-htr: The following argument was not expected: --offst=3 (did you mean "
         "--offset?)"},
        {{"import-htr", walk, "--scene", scene, "--frobnicate"},
         "tovfileio import-htr: The following argument was not expected: --frobnicate"},
    };
    for (const Case& c : cases) {
        const auto run = RunCommand(c.args);
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.err, c.err + "\nTry 'tovfileio " + c.args[0] + " --help'.\n");
        EXPECT_FALSE(std::filesystem::exists(scene)) << c.err;
    }
}

TEST_F(CommandMessagesTest, UtilityRefusesASourceDateEpochItCannotWrite) {
    const std::string scene = (dir_.Path() / "s.json").string();
    for (const char* epoch : {"abc", "99999999999999999999", "-5"}) {
        ::setenv("SOURCE_DATE_EPOCH", epoch, 1);
        const auto run = RunCommand({"utility", "--scene", scene});
        EXPECT_EQ(run.status, 2) << epoch;
        EXPECT_EQ(run.err,
                  "tovfileio utility: SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to "
                  "the year 9999), not '" +
                      std::string(epoch) + "'\nTry 'tovfileio utility --help'.\n");
    }
}

}  // namespace
