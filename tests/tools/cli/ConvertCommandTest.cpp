// tovfileio convert of one file: HTR to HTR in other units, TRC to GWM with
// a map and an offset, the format as the reader opens the file, the warnings
// of what would not read back; where it writes: plain files staged, links
// written through, devices and FIFOs streamed to, folders, standard output,
// and the outputs it refuses, each left as it was; and what it will not do
// unasked: pad a file out of proportion, write past the output limit, or read
// an input of no known size past the input limit.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using tovtest::Edited;
using tovtest::ReadBytes;
using tovtest::RunCommand;
using tovtest::RunExpecting;
using tovtest::RunOk;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;

class ConvertCommandTest : public tovtest::CliTest {};

// What the inputs of the samples' formats convert to, as a refusal says it.
const std::string kHtrBecomes =
    "an HTR file converts to HTR (.htr), BVH (.bvh), TRC (.trc), CSV (.csv), glTF (.gltf) or "
    "binary glTF (.glb)";
const std::string kTrcBecomes =
    "a TRC file converts to GWM (.gwm), TRC (.trc), C3D (.c3d), CSV (.csv), glTF (.gltf) or "
    "binary glTF (.glb)";

// Runs `args`, a convert to `out`: with `start`, the file written begins so;
// without, the run is refused with status 2 and `refusal` (after
// "tovfileio convert: "), and nothing is written. `out` goes afterwards.
void ExpectWrittenOrRefused(const Arguments& args, const std::string& out, const std::string& start,
                            const std::string& refusal, const std::string& row) {
    SCOPED_TRACE(row);
    if (start.empty()) {
        RunExpecting(args, 2, "tovfileio convert: " + refusal + "\nTry 'tovfileio convert --help'.\n");
        EXPECT_FALSE(fs::exists(out));
    } else {
        RunOk(args);
        EXPECT_EQ(ReadBytes(out).substr(0, start.size()), start);
    }
    fs::remove(out);
}

// The units asked for, by either spelling of the flags, reach the file
// written, there and back; the conversion itself is the HTR model's
// (lengths) and its writer's and reader's (angles in radians).
TEST_F(ConvertCommandTest, HtrUnitsAreConvertedBothWays) {
    const std::string cm = Path("cm.htr"), back = Path("back.htr");
    RunOk({"convert", "--units", "cm", "--rotation-units=radians", kWalkHtr, cm});
    RunOk({"convert", "--units=mm", "--rotation-units", "degrees", cm, back});
    // Hips stands 950 mm high: 95 cm.
    EXPECT_THAT(ReadBytes(cm), HasSubstr("CalibrationUnits cm\r\nRotationUnits Radians\r\n"));
    EXPECT_THAT(ReadBytes(cm), HasSubstr("\r\nHips\t0.000000\t95.000000\t0.000000\t"));
    EXPECT_THAT(ReadBytes(back), HasSubstr("CalibrationUnits mm\r\nRotationUnits Degrees\r\n"));
    EXPECT_THAT(ReadBytes(back), HasSubstr("\r\nHips\t0.000000\t950.000000\t0.000000\t"));
}

// --in-units names the units of a file that states none (a BVH file, a TRC
// file with an empty unit field) and leaves a file that names its own as
// it is; info says where the units were assumed and what the figure's size
// makes of them.
TEST_F(ConvertCommandTest, InUnitsNameTheUnitsAFileDoesNotState) {
    std::string noUnits = tovtest::TrcText({"A"}, {"1\t2\t3"});
    noUnits.replace(noUnits.find("\tmm\t"), 4, "\t\t");
    const std::string trc = Write("none.trc", noUnits);
    // A figure 170 units tall: a person in cm.
    const std::string bvh =
        Write("f.bvh", "HIERARCHY\nROOT Hips\n{\n OFFSET 0 0 0\n CHANNELS 6 Xposition Yposition Zposition "
                       "Zrotation Xrotation Yrotation\n JOINT Head\n {\n  OFFSET 0 170 0\n  CHANNELS 3 "
                       "Zrotation Xrotation Yrotation\n  End Site\n  {\n   OFFSET 0 0 0\n  }\n }\n}\n"
                       "MOTION\nFrames: 1\nFrame Time: 0.01\n0 0 0 0 0 0 0 0 0\n");
    EXPECT_THAT(RunOk({"info", bvh}).out,
                HasSubstr("Calibration units: mm (assumed: a BVH file states none; the figure is 170.0 units "
                          "tall, a person's height in cm; --in-units says which)\n"));
    EXPECT_THAT(RunOk({"info", trc}).out,
                HasSubstr("Units:             mm (assumed: the file states none; --in-units says which)\n"));
    const struct {
        std::string in, out, units, header, note;
    } cases[] = {
        {trc, "m.csv", "m", "frame,time_s,name,x_m,y_m,z_m\n", "lengths read as m: the file states no units"},
        {bvh, "cm.trc", "cm", "\tcm\t", "lengths read as cm: the file states no units"},
        {kWalkTrc, "mm.csv", "m", "frame,time_s,name,x_mm,y_mm,z_mm\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const auto run = RunOk({"convert", c.in, Path(c.out), "--in-units", c.units});
        EXPECT_THAT(ReadBytes(Path(c.out)), HasSubstr(c.header));
        if (c.note.empty()) {
            EXPECT_EQ(run.err.find("lengths read as"), std::string::npos) << run.err;
        } else {
            EXPECT_THAT(run.err, HasSubstr(c.note));
        }
    }
    RunExpecting({"convert", kWalkHtr, Path("x.htr"), "--in-units", "cm"}, 2,
                 "tovfileio convert: --in-units applies to BVH files, and to TRC and C3D files that state no "
                 "units\nTry 'tovfileio convert --help'.\n");
}

// The map, the offset in the host's space, the name and the date written
// (the last second SOURCE_DATE_EPOCH may give).
TEST_F(ConvertCommandTest, TrcToGwmWithMapAndOffset) {
    const std::string map = Write("lab.mnm", "HEAD\tLFHD\t\nNECK\tC7\t\n");
    const tovtest::ScopedEnv epoch("SOURCE_DATE_EPOCH", "253402300799");
    const auto run = RunOk({"convert", "--mnm", map, "--offset", "1", "-2", "0.5",
                            "--offset-space=brindle", kWalkTrc, Path("take.GWM")});
    EXPECT_EQ(run.out + run.err, "");
    const std::string gwm = ReadBytes(Path("take.GWM"));
    EXPECT_THAT(gwm,
                HasSubstr("$Filename   take\n$DateTime   Fri Dec 31 23:59:59 9999\n\n"))
                    << gwm.substr(0, 200);
    EXPECT_THAT(gwm,
                HasSubstr("$NumMarkers 2\n$CaptureRate 60\n$Rate 60\n\n$Order\nHEAD NECK \n\n$Points\n"
                          "1\t30.956140\t-84.869990\t1622.965930\t-24.622550\t82.826040\t1441.494390\t\n\n"));
    // With --units the conversion core renames, filters and offsets as the
    // module's conversion does: in the file's own units the same bytes, in
    // others every length converted, the offset given in them.
    RunOk({"convert", "--units", "mm", "--mnm", map, "--offset", "1", "-2", "0.5",
           "--offset-space=brindle", kWalkTrc, Path("take.gwm")});
    EXPECT_EQ(ReadBytes(Path("take.gwm")), gwm);
    RunOk({"convert", "--units", "cm", "--mnm", map, "--offset", "0.1", "-0.2", "0.05",
           "--offset-space=brindle", kWalkTrc, Path("take.gwm")});
    EXPECT_THAT(ReadBytes(Path("take.gwm")),
                HasSubstr("$Order\nHEAD NECK \n\n$Points\n"
                          "1\t3.095614\t-8.486999\t162.296593\t-2.462255\t8.282604\t144.149439\t\n"));
}

// An input the reader refuses, and outputs refused: links to the input
// itself, a file the user may not write, a missing folder, a link loop.
TEST_F(ConvertCommandTest, FailuresSayTheirCauseAndLeaveTheOutputAsItWas) {
    const fs::path d = dir_.Path();
    const std::string htr = Write("out.htr", "precious"), gwm = Write("out.gwm", "precious");
    const std::string input = Write("same.trc", ReadBytes(kWalkTrc)), readOnly = Write("ro.gwm", "precious");
    ::chmod(readOnly.c_str(), 0444);
    fs::create_hard_link(input, d / "hard.gwm");
    fs::create_symlink("same.trc", d / "alias.gwm");
    fs::create_symlink("loop.gwm", d / "loop.gwm");
    const std::string itself = ": is the input file; it is not replaced by the output\n";
    const std::string bad = Write("bad.htr", "[Header]\nBoneLengthAxis Z\n"), empty = Write("empty.htr", "");
    const std::string missing = Path("missing");
    // Frames from the last frame number on, which a writer once numbered
    // round to -2147483648.
    const std::string lateHtr =
        Write("late.htr", Edited(tovtest::HtrText(1, 1, 2), "[A]\n1 ", "[A]\n2147483647 "));
    const std::string lateTrc = Write(
        "late.trc", Edited(tovtest::TrcText({"A"}, {"1\t2\t3", "4\t5\t6"}), "mm\t60\t1\t",
                           "mm\t60\t2147483647\t"));
    const std::pair<Arguments, std::string> cases[] = {
        {{"convert", bad, htr}, bad + ": The file does not have a compatible \"BoneLengthAxis\" header "
                                      "state (line 2: the reader takes BoneLengthAxis Y only, not \"Z\")\n"},
        {{"convert", missing + ".htr", htr},
         missing + ".htr: The file could not be opened (No such file or directory)\n"},
        {{"convert", missing, htr},
         missing + ": The file could not be opened (tried " + missing + ".htr: No such file or directory)\n"},
        {{"convert", dir_.Path().string(), htr},
         dir_.Path().string() + ": The file could not be opened (Is a directory)\n"},
        {{"convert", empty, htr},
         empty + ": warning: the file is empty\n" + htr + ": No segments to write\n"},
        {{"convert", missing + ".trc", gwm},
         missing + ".trc: The file could not be opened (No such file or directory)\n"},
        {{"convert", lateHtr, htr},
         lateHtr + ": warning: frame 2 follows frame 2147483647 (1 break in the numbering of the "
                   "frame sections); the reader numbers frames by their place, so every frame "
                   "after a gap is read as an earlier one\n" +
             htr + ": The frames run past the frame numbers an HTR file holds (-2147483648 to "
                   "2147483647)\n"},
        {{"convert", lateTrc, gwm},
         lateTrc + ": The frames run past the frame numbers a GWM file holds (-2147483648 to "
                   "2147483647); nothing written\n"},
        {{"convert", input, Path("hard.gwm")}, Path("hard.gwm") + itself},
        {{"convert", input, Path("alias.gwm")}, Path("alias.gwm") + itself},
        {{"convert", input, readOnly},
         readOnly + (::geteuid() == 0 ? ": is write-protected (read-only); it is not replaced\n"
                                      : ": The file could not be opened (Permission denied)\n")},
        {{"convert", input, Path("none/x.gwm")},
         Path("none/x.gwm") + ": The file could not be opened (" + Path("none") +
             ": No such file or directory)\n"},
        {{"convert", input, Path("none") + "/"},
         Path("none") + "/: The file could not be opened (No such file or directory)\n"},
        {{"convert", input, Path("loop.gwm")},
         Path("loop.gwm") + ": The file could not be opened (Too many levels of symbolic links)\n"},
    };
    for (const auto& [args, err] : cases) {
        RunExpecting(args, 1, err);
        EXPECT_EQ(ReadBytes(htr) + ReadBytes(gwm), "preciousprecious");
    }
    EXPECT_EQ(ReadBytes(input), ReadBytes(kWalkTrc));
    EXPECT_EQ(ReadBytes(readOnly), "precious");
    EXPECT_TRUE(fs::is_symlink(d / "loop.gwm"));
    // No temporary file is left behind.
    EXPECT_EQ(tovtest::Entries(d).size(), 11u);
}

// The whole matrix: every format read against every output name. A pair
// that converts writes a file whose first bytes are its named format's; any
// other is refused with status 2, what the input becomes, and nothing
// written.
TEST_F(ConvertCommandTest, EveryPairConvertsOrIsRefusedWithWhatTheInputBecomes) {
    // The takes of every format, made from the samples.
    const std::string bvh = Path("walk.bvh"), c3d = Path("walk.c3d"), gwm = Path("walk.gwm");
    RunOk({"convert", kWalkHtr, bvh});
    RunOk({"convert", kWalkTrc, c3d});
    RunOk({"convert", kWalkTrc, gwm});
    // Each input and what it becomes: the formats its refusal names.
    const struct {
        std::string in, format, refusal;
    } inputs[] = {
        {kWalkHtr, "htr", kHtrBecomes},
        {bvh, "bvh",
         "a BVH file converts to HTR (.htr), BVH (.bvh), TRC (.trc), CSV (.csv), glTF (.gltf) "
         "or binary glTF (.glb)"},
        {kWalkTrc, "trc", kTrcBecomes},
        {c3d, "c3d",
         "a C3D file converts to TRC (.trc), GWM (.gwm), C3D (.c3d), CSV (.csv), glTF (.gltf) "
         "or binary glTF (.glb)"},
        {gwm, "gwm",
         "a GWM file converts to TRC (.trc), C3D (.c3d), CSV (.csv), glTF (.gltf) or binary "
         "glTF (.glb)"},
    };
    // What a file of each format starts with, and the format's name.
    const std::map<std::string, std::pair<std::string, std::string>> formats = {
        {"htr", {"# Tovelund HTR", "HTR"}}, {"bvh", {"HIERARCHY", "BVH"}},
        {"trc", {"PathFileType\t4", "TRC"}}, {"c3d", {std::string("\x02\x50", 2), "C3D"}},
        {"gwm", {"$Comments", "GWM"}}, {"csv", {"frame,time_s,name,x_", "CSV"}},
        {"gltf", {"{", "glTF"}}, {"glb", {"glTF", "binary glTF"}}};
    for (const auto& input : inputs) {
        for (const auto& [format, startAndName] : formats) {
            const std::string out = Path("out." + format);
            const bool converts = input.refusal.find("(." + format + ")") != std::string::npos;
            ExpectWrittenOrRefused({"convert", input.in, out}, out, converts ? startAndName.first : "",
                                   input.refusal + ", not to " + startAndName.second,
                                   input.format + " -> " + format);
        }
    }
}

// The output's name (any letter case) or --to chooses the format; --to never
// writes one format under another's name, and a name that says no format is
// refused with what the input becomes.
TEST_F(ConvertCommandTest, TheOutputsNameChoosesTheFormat) {
    const std::string htrStart = "# Tovelund HTR", gwmStart = "$Comments", glbStart = "glTF";
    const struct {
        std::string in;
        const char* out;
        const char* to;
        std::string start;   // of the file written; empty: refused
        std::string refusal;  // after "tovfileio convert: "
    } cases[] = {
        {kWalkHtr, "o.HTR", "", htrStart, ""},
        {kWalkHtr, "o.GLB", "", glbStart, ""},
        {kWalkHtr, "o.mnm", "", "", kHtrBecomes + ", not to MNM"},
        {kWalkHtr, "o", "", "", "O: the name gives no format convert writes; " + kHtrBecomes +
                                     ": name the output so, or give --to"},
        {kWalkHtr, "o.dat", "htr", htrStart, ""},
        {kWalkHtr, "o.dat", "GLB", glbStart, ""},
        {kWalkHtr, "o.htr", "gwm", "", kHtrBecomes + ", not to GWM"},
        {kWalkHtr, "o.htr", "fbx", "", "--to fbx: give one of htr|trc|gwm|c3d|bvh|csv|gltf|glb"},
        {kWalkTrc, "o.dat", "", "", "O: the name gives no format convert writes; " + kTrcBecomes +
                                         ": name the output so, or give --to"},
        {kWalkTrc, "o.dat", "gwm", gwmStart, ""},
        {kWalkTrc, "o.GWM", "gwm", gwmStart, ""},
        {kWalkTrc, "o.gwm", "gltf", "", "O: the name says GWM, and --to gltf writes glTF"},
        {kWalkTrc, "o.trc", "gwm", "", "O: the name says TRC, and --to gwm writes GWM"},
    };
    for (const auto& c : cases) {
        const std::string out = Path(c.out);
        std::vector<std::string> args = {"convert", c.in, out};
        if (*c.to) args.insert(args.begin() + 1, {"--to", c.to});
        const std::string refusal =
            c.refusal.rfind("O:", 0) == 0 ? out + c.refusal.substr(1) : c.refusal;
        ExpectWrittenOrRefused(args, out, c.start, refusal, c.in + " -> " + c.out + " --to " + c.to);
    }
}

TEST_F(ConvertCommandTest, TheFormatFollowsTheFileTheReaderOpens) {
    const std::string trc = ReadBytes(kWalkTrc), htr = ReadBytes(kWalkHtr);
    // "take" does not exist; the TRC reader's "take.TRC" does.
    Write("take.TRC", trc);
    RunOk({"convert", Path("take"), Path("take.gwm")});
    EXPECT_THAT(ReadBytes(Path("take.gwm")), HasSubstr("$Filename   take\n"));
    // Without an extension a file is read as its content says: the file
    // itself, not NAME.TRC or NAME.htr.
    const std::string data = Write("walkdata", trc), skeleton = Write("skeleton", htr);
    const auto run = RunOk({"info", "--json", data, skeleton});
    EXPECT_THAT(run.out, HasSubstr("{\"file\":\"" + data + "\",\"format\":\"trc\","));
    EXPECT_THAT(run.out, HasSubstr("{\"file\":\"" + skeleton + "\",\"format\":\"htr\","));
    RunOk({"convert", skeleton, Path("copy.htr")});
    EXPECT_EQ(ReadBytes(Path("copy.htr")), htr);
}

TEST_F(ConvertCommandTest, WarnsOfWhatCannotBeReadBack) {
    const std::string in = Write("inf.htr", tovtest::Edited(ReadBytes(kWalkHtr), "\r\n1\t0.",
        "\r\n1\t1e400."));
    // The reader takes "1e400" of the field and leaves ".000000".
    RunExpecting({"convert", in, Path("out.htr")}, 0, in + ": warning: 1 number field holds text (first \"1e400.000000\" on line 64); read "
                            "by its leading number, or 0\n" +
                           in + ": warning: 1 value is not finite and written as text that reads back as 0 "
                                "(first: Hips frame (inf))\n");
    EXPECT_EQ(RunCommand({"convert", "--strict", in, Path("strict.htr")}).status, 1);
    EXPECT_FALSE(fs::exists(Path("strict.htr")));
}

TEST_F(ConvertCommandTest, LinksFoldersAndStandardOutput) {
    const fs::path d = dir_.Path();
    // A link is written through: its target is replaced, the link stays.
    const std::string target = Write("target.htr", "old");
    fs::create_symlink("target.htr", d / "link.htr");
    const auto linked = RunOk({"convert", kWalkHtr, (d / "link.htr").string()});
    EXPECT_EQ(linked.out + linked.err, "");
    EXPECT_TRUE(fs::is_symlink(d / "link.htr"));
    // The sample is in the writer's own layout: it comes back byte for byte.
    EXPECT_EQ(ReadBytes(target), ReadBytes(kWalkHtr));
    // A dangling link names the file to create.
    fs::create_symlink("made.gwm", d / "dangling.gwm");
    RunOk({"convert", kWalkTrc, (d / "dangling.gwm").string()});
    EXPECT_TRUE(fs::is_regular_file(d / "made.gwm"));
    // A folder receives a file named after the input, with the output's
    // extension; with or without a trailing slash.
    fs::create_directory(d / "into");
    RunOk({"convert", kWalkHtr, Path("into") + "/"});
    RunOk({"convert", kWalkTrc, Path("into")});
    EXPECT_EQ(ReadBytes(d / "into/walk.htr"), ReadBytes(kWalkHtr));
    EXPECT_EQ(ReadBytes(d / "into/walk.gwm").substr(0, 20), "$Comments\tGWM file g");
    EXPECT_EQ(tovtest::Entries(d / "into").size(), 2u);
    // "-" is standard output, in the input's own format, and nothing is left
    // behind in the folder; a GWM file, which converts to other formats
    // only, needs --to there.
    const auto piped = RunOk({"convert", kWalkHtr, "-"});
    EXPECT_EQ(piped.out, ReadBytes(kWalkHtr));
    EXPECT_EQ(RunOk({"convert", kWalkTrc, "-"}).out.substr(0, 16), "PathFileType\t4\t(");
    EXPECT_EQ(tovtest::Entries(d).size(), 5u);
    RunExpecting({"convert", (d / "into/walk.gwm").string(), "-"}, 2,
                 "tovfileio convert: a GWM file converts to TRC (.trc), C3D (.c3d), CSV (.csv), glTF "
                 "(.gltf) or binary glTF (.glb): give --to for a pipe\nTry 'tovfileio convert --help'.\n");
}

// Device nodes made in the scratch folder (never the system's own), and a
// FIFO: written to as they are, never replaced by a plain file.
TEST_F(ConvertCommandTest, DevicesAndFifosAreWrittenTo) {
    const std::string fifo = Path("pipe"), null = Path("null"), full = Path("full");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    RunOk({"convert", kWalkHtr, fifo});
    reader.join();
    EXPECT_EQ(received, ReadBytes(kWalkHtr));
    EXPECT_TRUE(fs::is_fifo(fifo));
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "making device nodes is not permitted here";
    }
    RunOk({"convert", kWalkTrc, null});
    // A full device fails the write, and stays a device.
    RunExpecting({"convert", kWalkTrc, full}, 1, full + ": The file could not be written completely (No space left on device)\n");
    EXPECT_TRUE(fs::is_character_file(null) && fs::is_character_file(full));
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 3u);
}

// What convert will not do unasked: pad a file out of proportion to what it
// holds, write more than the output limit, or read standard input, a device
// or a FIFO past the input limit; and what needs no limit: the rows of a TRC
// file, read one at a time.
class LimitsTest : public tovtest::CliTest {};

// The samples (40 frames) claiming `frames` in their headers.
std::string TrcClaiming(const std::string& frames) {
    return Edited(ReadBytes(kWalkTrc), "\t40\t", "\t" + frames + "\t");
}
std::string HtrClaiming(const std::string& frames) {
    return Edited(ReadBytes(kWalkHtr), "NumFrames 40", "NumFrames " + frames);
}

TEST_F(LimitsTest, PaddingOutOfProportionIsRefusedUnlessChosen) {
    const std::string trc = Write("huge.trc", TrcClaiming("2000000000")),
        htr = Write("huge.htr", HtrClaiming("2000000000"));
    const std::string gwm = Path("out.gwm"), out = Path("out.htr");
    RunExpecting({"convert", trc, gwm}, 1, trc +
        ": warning: the header gives 2000000000 frames, the file holds 40 data rows\n" + trc +
                           ": the header gives 2000000000 frames but the file holds 40: writing them would pad "
                           "1999999960 frames; nothing written (--frames header writes them)\n");
    RunExpecting({"convert", htr, out}, 1, HasSubstr("would pad 1999999960 frames; nothing written"));
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 2u);

    // --frames held writes what an HTR file holds.
    RunOk({"convert", "--frames=held", htr, out});
    EXPECT_EQ(ReadBytes(out), ReadBytes(kWalkHtr));
    // --frames header asks for the padding; the output limit still holds.
    RunExpecting({"convert", "--frames", "header", htr, out}, 1,
                 HasSubstr(out + ": the output would take at least 2542.5 GiB, out of proportion to the "
                                 "input; --max-output allows more\n"));
    EXPECT_EQ(ReadBytes(out), ReadBytes(kWalkHtr));

    // Padding up to the frames held, or 1000 frames, is written with a
    // warning; a header short of the rows writes the first frames only.
    const std::string padded = Write("padded.trc", TrcClaiming("1030"));
    RunExpecting({"convert", padded, gwm}, 0, padded + ": warning: the header gives 1030 frames, the file holds 40 data rows\n");
    EXPECT_THAT(ReadBytes(gwm), HasSubstr("$NumFrames 1030\n"));
    RunExpecting({"convert", Write("short.trc", TrcClaiming("10")), gwm}, 0,
                 HasSubstr(": warning: only the first 10 of the 40 frames held are written (a GWM file has the "
                          "header's frame count)\n"));
}

// What a take holds is what is written outside the module's own
// conversions: never frames a header only claims, never a misread take
// unasked, and a NaN field as the dropout it is. Each row: the arguments
// before OUT, OUT's name, the exit status, and what the output or standard
// error holds.
TEST_F(LimitsTest, NothingIsWrittenThatTheFileDoesNotHold) {
    const std::string trc = Write("over.trc", TrcClaiming("50000")),
        htr = Write("over.htr", HtrClaiming("1000"));
    const std::string corpus = tovtest::CorpusDir().string();
    const struct { std::vector<std::string> args; const char* out; int status; std::string holds; } rows[] = {
        {{trc}, "a.csv", 0, "\n40,0.65,RTOE,"},  // the last of 40 frames, 36 markers
        {{htr}, "o.bvh", 0, "Frames: 40\r\n"},
        {{corpus + "/trc/levelground_ccw_fast_01_01.trc"}, "l.csv", 0, ",,,\n"},
        {{corpus + "/trc/nimble-weird_markers.trc"}, "m.csv", 1, "The take is misread"},
        {{"--accept-misread", corpus + "/trc/nimble-weird_markers.trc"}, "m.csv", 0, "frame,"},
    };
    for (const auto& row : rows) {
        if (row.args.back().starts_with(corpus) && !fs::exists(row.args.back())) continue;
        const std::string out = Path(row.out);
        fs::remove(out);
        const auto run = RunCommand(tovtest::With(tovtest::With({"convert"}, row.args), {out}));
        EXPECT_EQ(run.status, row.status) << row.out << ": " << run.err;
        EXPECT_THAT(row.status == 0 ? ReadBytes(out) : run.err, HasSubstr(row.holds)) << row.out;
        if (row.status != 0) {
            EXPECT_FALSE(fs::exists(out)) << row.out;
        }
    }
}

TEST_F(LimitsTest, OutputLimitAndRowsWithoutLimit) {
    const std::string gwm = Write("out.gwm", "precious");
    // The writer is stopped at the limit by the file-size limit; nothing is
    // left of its staged file.
    RunExpecting({"convert", "--max-output", "5K", kWalkTrc, gwm}, 1, gwm + ": the output would take more than 5120 bytes, out of proportion to the input; "
                             "--max-output allows more\n");
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 1u);
    RunOk({"convert", "--max-output", "50K", kWalkTrc, gwm});

    // 2000 markers and 20000 rows of a frame number alone: 54 KB whose
    // rows give 40 million samples. Rows are read one at a time, so info
    // takes them in; the GWM file they would make is refused at the limit.
    std::string text = "PathFileType\t4\t(X/Y/Z)\tx.trc\nDataRate\n60\t60\t20000\t2000\tmm\t60\t1\tF\nF\tT";
    for (int i = 0; i < 2000; ++i) text += "\tM" + std::to_string(i) + "\t\t";
    text += "\t\n\t\tX1\n\n";
    for (int i = 0; i < 20000; ++i) text += "1\n";
    const std::string rows = Write("rows.trc", text);
    Write("out.gwm", "precious");
    EXPECT_THAT(RunOk({"info", rows}).out,
                HasSubstr("  Frames:            20000 in the header, 19999 rows read"));
    RunExpecting({"convert", rows, gwm}, 1, HasSubstr(gwm + ": the output would take more than 64 MiB"));
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 2u);
}

// A FIFO that a thread fills with `bytes` once a reader opens it, until the
// reader stops reading.
class FedFifo {
public:
    FedFifo(const std::string& path, const std::string& bytes)
        : held_(path), feed_([this, bytes] {
              if (held_.Reached()) held_.Release(bytes);
          }) {}
    ~FedFifo() { feed_.join(); }

private:
    tovtest::HeldInput held_;
    std::thread feed_;
};

// Standard input, a device or a FIFO is read up to --max-input bytes: one
// that offers more is refused with the limit named, where `info
// /dev/urandom` once never ended; one within it reads whole, its first bytes
// intact though the format is guessed from them.
TEST_F(LimitsTest, InputsOfNoKnownSizeStopAtTheInputLimit) {
    const std::string htr = ReadBytes(kWalkHtr), trc = ReadBytes(kWalkTrc);  // 30 KB and more
    const std::string fifo = Path("in"), out = Path("out.htr"), glb = Path("out.glb"), gwm = Path("o.gwm");
    const std::string beyond = ": stopped reading after 1000 bytes: not a file of finite size";
    struct Case {
        Arguments args;
        const std::string* fed;  // what a FIFO "in" gives; null: none
        bool viaStdin;
        int status;
        std::string err;    // in standard error
        std::string shown;  // in standard output or the GWM file written
    };
    const Case cases[] = {
        {{"info", "--max-input", "1000", "/dev/zero"}, nullptr, false, 1, "/dev/zero" + beyond, ""},
        {{"convert", "--max-input", "1000", "-", out}, nullptr, true, 1, "-" + beyond, ""},
        {{"convert", "--max-input", "1000", fifo, glb}, &htr, false, 1, fifo + beyond, ""},
        {{"info", fifo}, &htr, false, 0, "", "  Segments:          21\n"},
        {{"convert", fifo, gwm}, &trc, false, 0, "", "$NumFrames 40\n"},
    };
    const auto previous = std::signal(SIGPIPE, SIG_IGN);  // a reader that stops early
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const tovtest::ScopedEnv epoch("SOURCE_DATE_EPOCH", "0");
        tovtest::CommandResult run;
        {
            std::optional<FedFifo> feed;
            if (c.fed != nullptr) feed.emplace(fifo, *c.fed);
            run = RunExpecting(c.args, c.status, HasSubstr(c.err),
                               c.viaStdin ? std::optional(htr) : std::nullopt);
        }
        std::filesystem::remove(fifo);
        if (!c.shown.empty()) {
            const std::string written = std::filesystem::exists(gwm) ? ReadBytes(gwm) : "";
            EXPECT_THAT(run.out + written, HasSubstr(c.shown)) << run.out;
        }
        EXPECT_FALSE(std::filesystem::exists(out) || std::filesystem::exists(glb));
    }
    std::signal(SIGPIPE, previous);
}

}  // namespace
