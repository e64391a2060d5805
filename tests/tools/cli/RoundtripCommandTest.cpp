// An HTR file imported and exported again by the module comes back with the
// same header, hierarchy, base position and frames, within the host's single
// precision, across units, rotation units, first frames, magnitudes and the
// two rotation controllers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"
#include "tests/support/TestFiles.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using tovtest::RunCommand;

struct Generated {
    const char* name;
    const char* units;
    const char* rotationUnits;
    int firstFrame;
    double magnitude;  // of translations and bone lengths
    double tilt;       // the y angle every rotation starts from, in degrees
    const char* differ = nullptr;  // the units said to differ from the exporter's mm and degrees
};

// Five segments (a root, a chain of three and a branch), eight frames of
// motion spread over the whole range of angles and up to `magnitude`.
std::string GenerateHtr(const Generated& g) {
    const bool radians = std::string(g.rotationUnits) == "Radians";
    const double angle = radians ? 3.141592653589793 / 180.0 : 1.0;
    std::ostringstream text;
    text.precision(9);
    text << "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 5\nNumFrames 8\n"
            "DataFrameRate 120\nEulerRotationOrder ZYX\nCalibrationUnits "
         << g.units << "\nRotationUnits " << g.rotationUnits
         << "\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n"
            "[SegmentNames&Hierarchy]\nPelvis\tGLOBAL\nA\tPelvis\nB\tA\nC\tB\nSide\tPelvis\n"
            "[BasePosition]\n";
    const char* names[] = {"Pelvis", "A", "B", "C", "Side"};
    for (int s = 0; s < 5; ++s) {
        const double m = g.magnitude;
        text << names[s] << '\t' << 0.3 * m * (s - 2) << '\t' << 0.9 * m << '\t' << -0.1 * m * s
             << '\t' << (17.0 * s - 40) * angle << '\t' << g.tilt * angle << '\t'
             << (-25.0 * s + 60) * angle << '\t' << 0.5 * m + s << '\n';
    }
    for (int s = 0; s < 5; ++s) {
        text << '[' << names[s] << "]\n";
        for (int f = 0; f < 8; ++f) {
            const double m = g.magnitude * 0.1;
            text << g.firstFrame + f << '\t' << m * std::sin(f + s) << '\t' << m * std::cos(f * s)
                 << '\t' << -m * f / 8 << '\t' << (179.0 - 45.0 * f) * angle << '\t'
                 << (f % 2 == 0 ? 89.9 : -30.0 + 7 * s) * angle << '\t' << (13.0 * f - 170) * angle
                 << "\t1\n";
        }
    }
    text << "[EndOfFile]\n";
    return text.str();
}

class RoundtripCommandTest : public tovtest::CliTest {};

TEST_F(RoundtripCommandTest, GeneratedFilesComeBackWithinSinglePrecision) {
    const Generated cases[] = {
        {"millimetres in degrees", "mm", "Degrees", 1, 1000, 0},
        {"centimetres in radians, late frames", "cm", "Radians", 250, 10000, 20,
         "CalibrationUnits: cm against mm, RotationUnits: Radians against Degrees"},
        {"metres from frame 0", "m", "Degrees", 0, 2, -45, "CalibrationUnits: m against mm"},
        {"inches at the gimbal", "in", "Degrees", 7, 40, 90, "CalibrationUnits: in against mm"},
        {"millimetres in radians at the other gimbal", "mm", "Radians", 3, 5, -90,
         "RotationUnits: Radians against Degrees"},
        {"yards, large", "yd", "Degrees", 1, 10000, 10, "CalibrationUnits: yd against mm"},
    };
    for (const Generated& c : cases) {
        const auto input = dir_.Write("in.htr", GenerateHtr(c));
        for (const char* controller : {"--euler", "--tcb"}) {
            Arguments args = {"roundtrip", input.string(), (dir_.Path() / "out.htr").string()};
            if (std::string(controller) == "--tcb") args.push_back("--tcb");
            SCOPED_TRACE(std::string(c.name) + " " + controller);
            const auto run = tovtest::RunOk(args);
            const std::string header =
                c.differ == nullptr ? "header: the same\n"
                                    : "header: the same but for the units\nunits differ: " +
                                          std::string(c.differ) +
                                          " (values compared after conversion)\n";
            EXPECT_THAT(run.out, HasSubstr("\n" + header + "largest differences"));
        }
    }
}

TEST_F(RoundtripCommandTest, ReportsPerSegmentAndRefusesWhatItCannotImport) {
    const auto input =
        dir_.Write("in.htr", GenerateHtr({"json", "mm", "Degrees", 1, 100, 0}));
    const auto json = tovtest::RunOk({"roundtrip", "--json", input.string(), Path("o.htr")});
    EXPECT_THAT(json.out, HasSubstr("\"name\":\"Side\""));
    EXPECT_THAT(json.out, HasSubstr("\"within_tolerance\":true"));
    EXPECT_THAT(json.out, HasSubstr("\"unit_differences\":[]"));

    const auto garbage = dir_.Write("bad.htr", "not an htr file\n");
    EXPECT_EQ(RunCommand({"roundtrip", garbage.string(), Path("o2.htr")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "o2.htr"));
}

// A FIFO gives nothing back to read: the file exported goes to it whole
// once it has been read back from a staged copy, and the run ends (it once
// waited for ever to read the FIFO again), leaving no staged file.
TEST_F(RoundtripCommandTest, AFifoOutputTakesTheFileAndTheRunEnds) {
    const auto input = dir_.Write("in.htr", GenerateHtr({"fifo", "mm", "Degrees", 1, 100, 0}));
    const auto tmp = dir_.Path() / "tmp";
    std::filesystem::create_directory(tmp);
    const std::string out = Path("out.htr");
    ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = tovtest::ReadBytes(out); });
    const pid_t pid = tovtest::StartProcess({"roundtrip", input.string(), out}, dir_,
                                            tovtest::KeepingSettingsIn(Path("registry.reg"), tmp));
    const auto run = tovtest::WaitProcessWithin(pid, dir_, std::chrono::seconds(60));
    // A reader still waiting for a writer (the run failed first) is let go.
    ::close(::open(out.c_str(), O_WRONLY | O_NONBLOCK));
    reader.join();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("within the host's single precision: yes"));
    EXPECT_THAT(received, HasSubstr("[Side]"));
    EXPECT_THAT(received, EndsWith("[EndOfFile]\r\n"));
    EXPECT_TRUE(tovtest::Entries(tmp).empty());
}

}  // namespace
