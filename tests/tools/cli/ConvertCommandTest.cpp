#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using namespace tovfileio;

using tovtest::ReadBytes;
using tovtest::RunCommand;

namespace {

const std::filesystem::path kSample = std::filesystem::path(TOV_SOURCE_DIR) / "samples/walk.htr";

TEST(ConvertCommandTest, RewritesTheSampleUnchanged) {
    tovtest::ScratchDir dir;
    const auto out = dir.Path() / "out.htr";
    const auto result = RunCommand({"convert", kSample.string(), out.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    // The sample is in the writer's own layout, so it comes back byte for byte.
    EXPECT_EQ(ReadBytes(out), ReadBytes(kSample));
}

TEST(ConvertCommandTest, UnitOptionsRoundTrip) {
    tovtest::ScratchDir dir;
    const std::string cm = (dir.Path() / "cm").string();  // written as cm.htr
    const std::string back = (dir.Path() / "back.htr").string();
    ASSERT_EQ(RunCommand({"convert", "--units", "cm", "--rotation-units=radians", kSample.string(),
                          cm})
                  .status,
              0);
    const std::string cmText = ReadBytes(cm + ".htr");
    EXPECT_NE(cmText.find("CalibrationUnits cm\r\nRotationUnits Radians\r\n"), std::string::npos);
    // Hips stands 950 mm high: 95 cm.
    EXPECT_NE(cmText.find("\r\nHips\t0.000000\t95.000000\t0.000000\t"), std::string::npos);
    ASSERT_EQ(RunCommand({"convert", "--units=mm", "--rotation-units", "degrees", cm + ".htr", back})
                  .status,
              0);
    const auto info = RunCommand({"info", "--json", back});
    EXPECT_NE(info.out.find("\"units\":\"mm\",\"rotation_units\":\"degrees\""), std::string::npos);
    // Back in millimetres and degrees, within the rounding of the centimetre
    // and radian file: half a millionth of a centimetre or radian, plus the
    // rounding of the last write.
    HTRFile original, returned;
    ASSERT_EQ(original.Read(tovtest::Wide(kSample)), L"");
    ASSERT_EQ(returned.Read(tovtest::Wide(back)), L"");
    const double kLength = 5e-6 + 5e-7, kAngle = 5e-7 + 5e-7 * 3.141592653589793 / 180;
    for (std::uint32_t s = 0; s < original.SegmentCount(); ++s) {
        const HTRSegment& a = *original.Segment(s);
        const HTRSegment& b = *returned.Segment(s);
        EXPECT_NEAR(a.GetBoneLength(), b.GetBoneLength(), kLength);
        for (std::uint32_t i = 0; i < original.GetNumFrames(); ++i) {
            double at[3], bt[3], ar[3], br[3];
            a.GetFrameTranslation(i, at[0], at[1], at[2]);
            b.GetFrameTranslation(i, bt[0], bt[1], bt[2]);
            a.GetFrameRotationAngles(i, ar[0], ar[1], ar[2]);
            b.GetFrameRotationAngles(i, br[0], br[1], br[2]);
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(at[k], bt[k], kLength) << s << " " << i;
                ASSERT_NEAR(ar[k], br[k], kAngle) << s << " " << i;
            }
        }
    }
}

TEST(ConvertCommandTest, FailuresLeaveTheOutputAsItWas) {
    tovtest::ScratchDir dir;
    const auto out = dir.Write("out.htr", "precious");
    const auto bad = dir.Write("bad.htr", "[Header]\nBoneLengthAxis Z\n");
    const auto empty = dir.Write("empty.htr", "");
    struct Case {
        Arguments args;
        std::string err;
    };
    const Case cases[] = {
        {{"convert", bad.string(), out.string()},
         bad.string() + ": The file does not have a compatible \"BoneLengthAxis\" header state "
                        "(line 2: the reader takes BoneLengthAxis Y only, not \"Z\")\n"},
        {{"convert", (dir.Path() / "missing.htr").string(), out.string()},
         (dir.Path() / "missing.htr").string() +
             ": The file could not be opened (No such file or directory)\n"},
        {{"convert", (dir.Path() / "missing").string(), out.string()},
         (dir.Path() / "missing").string() + ": The file could not be opened (tried " +
             (dir.Path() / "missing.htr").string() + ": No such file or directory)\n"},
        {{"convert", dir.Path().string(), out.string()},
         dir.Path().string() + ": The file could not be opened (Is a directory)\n"},
        {{"convert", empty.string(), out.string()},
         empty.string() + ": warning: the file is empty\n" + out.string() + ": No segments to write\n"},
    };
    for (const Case& c : cases) {
        const auto result = RunCommand(c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(ReadBytes(out), "precious");
    }
    // No temporary file is left behind.
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 3u);
}

TEST(ConvertCommandTest, CommandLineErrors) {
    const struct {
        Arguments args;
        const char* err;
    } cases[] = {
        {{"convert", "a.htr"}, "tovfileio convert: give IN and OUT (or --batch -o OUTDIR IN...)\n"},
        {{"convert", "-o", "d", "a.trc", "b.gwm"}, "tovfileio convert: -o goes with --batch"},
        {{"convert", "--batch", "a.trc"}, "tovfileio convert: --batch needs -o OUTDIR"},
        {{"convert", "--batch", "-o", "d", "a.trc", "-"},
         "tovfileio convert: standard input (-) cannot be a file of a batch\n"},
        {{"convert", "--batch", "-o", "d", "--units", "cm", "a.trc"},
         "tovfileio convert: --units and --rotation-units apply to HTR to HTR only\n"},
        {{"convert", "--batch", "-o", "d", "--no-filter", "a.trc"},
         "tovfileio convert: --no-filter goes with --mnm\n"},
        {{"convert", "--frames", "held", "a.trc", "b.gwm"},
         "tovfileio convert: --frames held applies to HTR to HTR only"},
        {{"convert", "--units", "km", "a.htr", "b.htr"}, "tovfileio convert: unknown units 'km'\n"},
        {{"convert", "--units=MM", "a.htr", "b.htr"}, "tovfileio convert: unknown units 'MM'\n"},
        {{"convert", "--rotation-units", "grad", "a", "b"},
         "tovfileio convert: unknown rotation units 'grad'\n"},
        {{"convert", "a", "b", "--units"}, "tovfileio convert: --units: 1 required"},
        {{"convert", "--scale", "2", "a", "b"},
         "tovfileio convert: The following argument was not expected: --scale\n"},
    };
    for (const auto& c : cases) {
        const auto result = RunCommand(c.args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
    }
}

}  // namespace

namespace {

TEST(ConvertCommandTest, TrcToGwmWithMapAndOffset) {
    tovtest::ScratchDir dir;
    const std::string trc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";
    const auto map = dir.Write("lab.mnm", "HEAD\tLFHD\t\nNECK\tC7\t\n");
    const auto out = dir.Path() / "take.GWM";
    ::setenv("SOURCE_DATE_EPOCH", "1765443472", 1);
    const auto result = RunCommand({"convert", "--mnm", map.string(), "--offset", "1", "-2", "0.5",
                                    "--offset-space=brindle", trc, out.string()});
    ::unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string gwm = ReadBytes(out);
    EXPECT_NE(gwm.find("$Filename   take\n$DateTime   Thu Dec 11 08:57:52 2025\n\n"),
              std::string::npos)
        << gwm.substr(0, 200);
    EXPECT_NE(gwm.find("$NumMarkers 2\n$CaptureRate 60\n$Rate 60\n\n$Order\nHEAD NECK \n\n$Points\n"
                       "1\t131.250860\t-327.665400\t1427.324660\t90.337090\t-85.781400\t1448.812730\t\n\n"),
              std::string::npos);

    const auto existing = dir.Write("kept.gwm", "precious");
    const struct {
        Arguments args;
        int status;
        std::string err;
    } failures[] = {
        {{"convert", "--mnm", (dir.Path() / "none.mnm").string(), trc, existing.string()}, 1,
         (dir.Path() / "none.mnm").string() +
             ": The file could not be opened (No such file or directory)\n"},
        {{"convert", (dir.Path() / "gone.trc").string(), existing.string()}, 1,
         (dir.Path() / "gone.trc").string() +
             ": The file could not be opened (No such file or directory)\n"},
        {{"convert", trc, (dir.Path() / "x.htr").string()}, 2,
         "tovfileio convert: a TRC file converts to GWM, not to HTR\n"},
        {{"convert", "--units", "cm", trc, existing.string()}, 2,
         "tovfileio convert: --units and --rotation-units apply to HTR to HTR only\n"},
        {{"convert", "--offset", "1", "x", "2", trc, existing.string()}, 2,
         "tovfileio convert: not a finite number: 'x'\n"},
    };
    for (const auto& f : failures) {
        const auto failed = RunCommand(f.args);
        EXPECT_EQ(failed.status, f.status);
        EXPECT_EQ(failed.err.rfind(f.err, 0), 0u) << failed.err;
        EXPECT_EQ(ReadBytes(existing), "precious");
    }
}

}  // namespace

namespace {

// Option values that would write what cannot be read back are refused.
TEST(ConvertCommandTest, UnusableOptionValuesAreRefused) {
    tovtest::ScratchDir dir;
    const std::string trc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";
    const auto out = dir.Write("out.gwm", "precious");
    const struct {
        Arguments args;
        const char* epoch;
        std::string err;
    } cases[] = {
        {{"--offset", "nan", "inf", "1"}, nullptr, "not a finite number: 'nan'"},
        {{"--offset", "1", "2", "1e39"}, nullptr, "not a finite number: '1e39'"},
        {{}, "abc", "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not 'abc'"},
        {{}, "12345678901234567890",
         "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not "
         "'12345678901234567890'"},
        {{}, "-5", "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not '-5'"},
        {{"--frames", "all"}, nullptr, "option '--frames' takes header or held"},
        {{"--max-output", "10Q"}, nullptr, "--max-output takes a size such as 512M or 4G, not '10Q'"},
    };
    for (const auto& c : cases) {
        Arguments args{"convert"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(trc);
        args.push_back(out.string());
        if (c.epoch != nullptr) ::setenv("SOURCE_DATE_EPOCH", c.epoch, 1);
        const auto result = RunCommand(args);
        ::unsetenv("SOURCE_DATE_EPOCH");
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "tovfileio convert: " + c.err + "\nTry 'tovfileio convert --help'.\n");
        EXPECT_EQ(ReadBytes(out), "precious");
    }
    ::setenv("SOURCE_DATE_EPOCH", "253402300799", 1);
    const auto last = RunCommand({"convert", trc, out.string()});
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_NE(ReadBytes(out).find("$DateTime   Fri Dec 31 23:59:59 9999\n"), std::string::npos);
}

TEST(ConvertCommandTest, FormatGuessFollowsTheFileTheReaderOpens) {
    tovtest::ScratchDir dir;
    const std::string trcText = ReadBytes(std::string(TOV_SOURCE_DIR) + "/samples/walk.trc");
    const std::string htrText = ReadBytes(kSample);
    // "take" does not exist; the TRC reader's "take.TRC" does.
    dir.Write("take.TRC", trcText);
    const auto take = (dir.Path() / "take").string();
    auto result = RunCommand({"convert", take, take + ".gwm"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(ReadBytes(take + ".gwm").find("$Filename   take\n"), std::string::npos);
    // Files without an extension are read as their content says, the file
    // itself and not NAME.TRC or NAME.htr.
    const auto walkdata = dir.Write("walkdata", trcText);
    const auto skeleton = dir.Write("skeleton", htrText);
    result = RunCommand({"info", "--json", walkdata.string(), skeleton.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"format\":\"trc\",\"units\":\"mm\",\"data_rate\":60"), std::string::npos);
    EXPECT_NE(result.out.find("\"format\":\"htr\",\"units\":\"mm\""), std::string::npos);
    ASSERT_EQ(RunCommand({"convert", skeleton.string(), (dir.Path() / "copy").string()}).status, 0);
    EXPECT_EQ(ReadBytes(dir.Path() / "copy.htr"), htrText);
}

TEST(ConvertCommandTest, WarnsOfWhatCannotBeReadBack) {
    tovtest::ScratchDir dir;
    std::string text = ReadBytes(kSample);
    const std::size_t frame = text.find("\n1\t", text.find("[Hips]"));
    text.replace(frame + 3, 1, "1e400");
    const auto in = dir.Write("inf.htr", text);
    const auto out = (dir.Path() / "out.htr").string();
    auto result = RunCommand({"convert", in.string(), out});
    EXPECT_EQ(result.status, 0);
    // The reader takes "1e400" of the field and leaves ".000000".
    EXPECT_EQ(result.err, in.string() + ": warning: 1 number field holds text (first "
                                        "\"1e400.000000\" on line 64); read by its leading number, "
                                        "or 0\n" +
                              in.string() + ": warning: 1 value is not finite and written as text "
                                            "that reads back as 0 (first: Hips frame (inf))\n");
    result = RunCommand({"convert", "--strict", in.string(), (dir.Path() / "strict.htr").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "strict.htr"));

    // A map that names no marker of the file.
    const auto map = dir.Write("other.mnm", "HEAD\tNOSUCH\t\n");
    result = RunCommand({"convert", "--mnm", map.string(),
                         std::string(TOV_SOURCE_DIR) + "/samples/walk.trc",
                         (dir.Path() / "x.gwm").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, map.string() + ": warning: names none of the markers of " +
                              TOV_SOURCE_DIR + "/samples/walk.trc; the GWM file holds no marker\n");
}

}  // namespace
