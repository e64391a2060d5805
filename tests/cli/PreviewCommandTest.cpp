// tovfileio preview: the pictures of the samples shown in the README are
// made again byte for byte; the frame drawn is one the file or scene holds;
// markers not seen are not drawn; names never overprint each other; the
// grid steps are round numbers in the scene's units; and the file's
// warnings are said as info says them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "preview/ScenePreview.h"
#include "tests/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

// A TRC file of the markers `names` from frame `start`, one data row per
// entry of `rows` (its coordinate fields, tab-separated; three empty
// fields are a dropout).
std::string TrcFile(const std::vector<std::string>& names, const std::vector<std::string>& rows,
                    int start = 1) {
    const std::string frames = std::to_string(rows.size());
    std::string text = "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
                       "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                       "OrigDataStartFrame\tOrigNumFrames\n"
                       "60\t60\t" + frames + "\t" + std::to_string(names.size()) + "\tmm\t60\t" +
                       std::to_string(start) + "\t" + frames + "\nFrame#\tTime";
    for (const std::string& name : names) text += "\t" + name + "\t\t";
    text += "\n\t";
    for (std::size_t m = 1; m <= names.size(); ++m) {
        const std::string n = std::to_string(m);
        text += "\tX" + n + "\tY" + n + "\tZ" + n;
    }
    text += "\n\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += std::to_string(start + static_cast<int>(i)) + "\t" + std::to_string(i / 60.0) +
                "\t" + rows[i] + "\n";
    }
    return text;
}

// An HTR file of two segments whose `frames` frames are numbered from
// `first`, of which the header claims `claimed` (by default all).
std::string HtrFile(int first, int frames, int claimed = 0) {
    std::string text =
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 2\nNumFrames " +
        std::to_string(claimed > 0 ? claimed : frames) +
        "\nDataFrameRate 30\nEulerRotationOrder ZYX\n" +
        "CalibrationUnits mm\nRotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\n" +
        "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n[BasePosition]\n" +
        "A 0 0 0 0 0 0 100\nB 0 100 0 0 0 0 50\n";
    for (const char* segment : {"[A]\n", "[B]\n"}) {
        text += segment;
        for (int i = 0; i < frames; ++i) {
            text += std::to_string(first + i) + " " + std::to_string(10 * i) + " 0 0 0 0 0 1\n";
        }
    }
    return text;
}

std::string Caption(const std::string& svg) {
    static const std::regex caption("font-size=\"12\" fill=\"#555555\">([^<]*)</text>");
    std::smatch match;
    return std::regex_search(svg, match, caption) ? match[1].str() : std::string();
}

// The lines of `err` that say a warning.
std::vector<std::string> WarningLines(const std::string& err) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.find(": warning: ") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

// A text of the picture: which view, where it starts, its colour and text.
struct SvgText {
    int view;
    double x, y;
    std::string fill, text;
};

// The labels of marker names (blue) and grid values (grey) in each view.
std::vector<SvgText> SmallTexts(const std::string& svg) {
    static const std::regex text(
        "<text x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" font-size=\"8\" fill=\"(#[0-9a-f]+)\">"
        "([^<]*)</text>");
    std::vector<SvgText> texts;
    int view = -1;
    std::istringstream in(svg);
    for (std::string line; std::getline(in, line);) {
        if (line == "<g>") ++view;
        std::smatch match;
        if (std::regex_search(line, match, text)) {
            texts.push_back({view, std::stod(match[1]), std::stod(match[2]), match[3], match[4]});
        }
    }
    return texts;
}

class PreviewCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1); }

    // Previews `args` into a fresh file; the picture, or empty on failure.
    std::string Preview(std::vector<std::string> args, tovtest::CommandResult* result = nullptr) {
        const std::string out = (dir_.Path() / ("p" + std::to_string(++runs_) + ".svg")).string();
        args.insert(args.begin(), "preview");
        args.insert(args.end(), {"-o", out});
        const auto run = RunCommand(args);
        if (result != nullptr) *result = run;
        EXPECT_EQ(run.status, 0) << run.err;
        return run.status == 0 ? tovtest::ReadBytes(out) : std::string();
    }

    tovtest::ScratchDir dir_;
    int runs_ = 0;
};

TEST_F(PreviewCommandTest, SamplePicturesAreMadeAgainByteForByte) {
    struct Case {
        const char* input;
        const char* frame;
        const char* picture;
    };
    const Case cases[] = {
        {"samples/walk.htr", "20", "docs/preview-walk-htr.svg"},
        {"samples/walk.trc", "20", "docs/preview-walk-trc.svg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Preview({std::string(TOV_SOURCE_DIR "/") + c.input, "--frame", c.frame}),
                  tovtest::ReadBytes(std::string(TOV_SOURCE_DIR "/") + c.picture))
            << c.input << ": remake " << c.picture << " if the drawing changed on purpose";
    }
    const auto neither = RunCommand({"preview", "-o", (dir_.Path() / "n.svg").string()});
    EXPECT_EQ(neither.status, 2);
}

// Without --frame: a file's first frame (an HTR file's base pose, keyed a
// frame before it, is no frame of the file), a scene's range start. Any
// other frame must be one the input holds: else one line, status 2 and no
// picture.
TEST_F(PreviewCommandTest, TheFrameDrawnIsOneTheInputHolds) {
    const std::string htr = dir_.Write("late.htr", HtrFile(5, 3)).string();
    const std::string trc =
        dir_.Write("t.trc", TrcFile({"A"}, {"1\t2\t3", "4\t5\t6"}, 12)).string();
    const std::string scene = (dir_.Path() / "s.json").string();
    ASSERT_EQ(RunCommand({"import-htr", htr, "--scene", scene, "--create", "--key-base",
                          "--animate", "--all", "--offset", "0"})
                  .status,
              0);
    const std::string range = "the animation range of " + scene + " is frames 4 to 7";
    const struct {
        std::vector<std::string> input;
        const char* first;
        std::vector<std::pair<const char*, std::string>> refused;  // frame, message
    } cases[] = {
        {{htr}, "5", {{"4", htr + " holds frames 5 to 7"}, {"8", htr + " holds frames 5 to 7"}}},
        {{trc},
         "12",
         {{"0", trc + " holds frames 12 to 13"}, {"14", trc + " holds frames 12 to 13"}}},
        {{"--scene", scene}, "4", {{"3", range}, {"-2147483648", range}}},
    };
    const std::string out = (dir_.Path() / "refused.svg").string();
    for (const auto& c : cases) {
        const std::string drawn = Preview(c.input);
        EXPECT_EQ(Caption(drawn).rfind(std::string("frame ") + c.first + ",", 0), 0u)
            << Caption(drawn);
        std::vector<std::string> args = c.input;
        args.insert(args.end(), {"--frame", c.first});
        EXPECT_EQ(drawn, Preview(args)) << c.input.back();
        for (const auto& [frame, message] : c.refused) {
            args = c.input;
            args.insert(args.begin(), "preview");
            args.insert(args.end(), {"--frame", frame, "-o", out});
            const auto run = RunCommand(args);
            EXPECT_EQ(run.status, 2) << message;
            EXPECT_EQ(run.err,
                      "tovfileio preview: --frame " + std::string(frame) + ": " + message + "\n");
            EXPECT_FALSE(std::filesystem::exists(out)) << message;
        }
    }
}

// B drops out in frame 2; C is seen there, at the file's origin. A file
// tells the two apart; a scene keeps a dropout only as a key at the
// origin, so there C is taken for one as well.
TEST_F(PreviewCommandTest, MarkersNotSeenAreLeftOut) {
    const std::string seen = "100\t900\t0\t200\t900\t0\t300\t900\t0";
    const std::string trc =
        dir_.Write("gap.trc", TrcFile({"A", "B", "C"}, {seen, "100\t900\t0\t\t\t\t0\t0\t0", seen}))
            .string();
    const std::string scene = (dir_.Path() / "s.json").string();
    ASSERT_EQ(RunCommand({"import-trc", trc, "--scene", scene, "--create", "--all", "--offset", "0",
                          "--scale-factor", "1"})
                  .status,
              0);
    struct Case {
        std::vector<std::string> input;
        const char* frame;
        std::set<std::string> drawn;
        const char* caption;
    };
    const Case cases[] = {
        {{trc}, "1", {"A", "B", "C"}, "frame 1, units mm, 3 objects, grid 50 mm"},
        {{trc}, "2", {"A", "C"},
         "frame 2, units mm, 2 objects, 1 marker not seen at this frame, grid 200 mm"},
        {{"--scene", scene}, "2", {"A"},
         "frame 2, units mm, 1 objects, 2 markers not seen at this frame, grid 0.2 mm"},
        {{"--scene", scene}, "3", {"A", "B", "C"}, "frame 3, units mm, 3 objects, grid 50 mm"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.input;
        args.insert(args.end(), {"--frame", c.frame});
        const std::string svg = Preview(args);
        std::set<std::string> names;
        for (const SvgText& text : SmallTexts(svg)) {
            if (text.fill == "#3333cc") names.insert(text.text);
        }
        EXPECT_EQ(names, c.drawn) << c.input.back() << " frame " << c.frame;
        EXPECT_EQ(Caption(svg), c.caption);
    }
}

// Forty markers in a crowd and a few apart: every name drawn has a box of
// its own, no grid value is overprinted, and each view says how many names
// it left out.
TEST_F(PreviewCommandTest, NamesNeverOverprintEachOther) {
    std::vector<std::string> names;
    std::string row;
    for (int m = 0; m < 40; ++m) {
        names.push_back("M" + std::to_string(m));
        const bool crowd = m < 36;
        const double x = crowd ? 500 + 3 * (m % 6) : 100.0 * (m - 36);
        const double y = crowd ? 800 + 4 * (m / 6) : 100.0 * (m - 36);
        row += (m == 0 ? "" : "\t") + std::to_string(x) + "\t" + std::to_string(y) + "\t" +
               std::to_string(7 * m);
    }
    const std::string trc = dir_.Write("crowd.trc", TrcFile(names, {row})).string();
    const std::string svg = Preview({trc});
    const std::vector<SvgText> texts = SmallTexts(svg);
    // A label's box, less the tenth of a pixel its position is rounded to.
    auto box = [](const SvgText& t) {
        const double width = static_cast<double>(t.text.size()) * tovpreview::kLabelCharWidth;
        return std::array<double, 4>{t.x + 0.1, t.y - tovpreview::kLabelHeight + 2.1,
                                     t.x + width - 0.1, t.y + 1.9};
    };
    for (int view = 0; view < 2; ++view) {
        std::size_t drawn = 0;
        for (const SvgText& a : texts) {
            if (a.view != view) continue;
            drawn += a.fill == "#3333cc" ? 1 : 0;
            for (const SvgText& b : texts) {
                const auto p = box(a), q = box(b);
                EXPECT_TRUE(&a == &b || b.view != view || p[2] <= q[0] || q[2] <= p[0] ||
                            p[3] <= q[1] || q[3] <= p[1])
                    << "view " << view << ": " << a.text << " and " << b.text << " overprint";
            }
        }
        EXPECT_GT(drawn, 4u) << "view " << view;
        const std::string said =
            (view == 0 ? "front (x right, z up), " : "side (y right, z up), ") +
            std::to_string(40 - drawn) + " labels left out where names would overlap<";
        EXPECT_NE(svg.find(said), std::string::npos) << said;
    }
}

// Two markers `spread` millimetres apart, in scenes of several units: the
// step is 1, 2 or 5 times a power of ten of the scene's unit, and every
// grid value is a whole number of steps written as such.
TEST_F(PreviewCommandTest, GridStepsAreRoundNumbersInTheScenesUnits) {
    struct Case {
        double spread;
        const char* unit;
        const char* step;
    };
    const Case cases[] = {
        {1000, "mm", "200 mm"}, {1, "mm", "0.2 mm"},  {37, "mm", "5 mm"},
        {1000, "cm", "20 cm"},  {1000, "m", "0.2 m"}, {2500, "in", "20 in"},
    };
    for (const Case& c : cases) {
        const std::string trc =
            dir_.Write("two.trc", TrcFile({"A", "B"}, {"0\t0\t0\t0\t" + std::to_string(c.spread) +
                                                         "\t0"}))
                .string();
        const std::string scene =
            (dir_.Path() / (std::to_string(c.spread) + c.unit + ".json")).string();
        ASSERT_EQ(RunCommand({"import-trc", trc, "--scene", scene, "--system-unit", c.unit,
                              "--create", "--all", "--scale-factor", "1"})
                      .status,
                  0);
        const std::string svg = Preview({"--scene", scene});
        const std::string caption = Caption(svg);
        EXPECT_NE(caption.find(std::string("units ") + c.unit + ","), std::string::npos) << caption;
        EXPECT_TRUE(caption.ends_with(std::string(", grid ") + c.step))
            << c.spread << " " << c.unit << ": " << caption;
        const double step = std::stod(c.step);
        std::size_t values = 0;
        for (const SvgText& text : SmallTexts(svg)) {
            if (text.fill != "#999999") continue;
            ++values;
            const double steps = std::stod(text.text) / step;
            EXPECT_NEAR(steps, std::round(steps), 1e-9) << text.text << " in steps of " << step;
            std::ostringstream shortest;
            shortest << std::stod(text.text);
            EXPECT_EQ(text.text, shortest.str()) << "written with needless digits";
        }
        EXPECT_GE(values, 6u) << c.spread << " " << c.unit;
    }
}

// The file's findings appear on standard error as info writes them, and a
// file read as written gets none.
TEST_F(PreviewCommandTest, TheFilesWarningsAreSaidAsInfoSaysThem) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t warnings;
    };
    const Case cases[] = {
        {"clean.trc", TrcFile({"A", "B"}, {"1\t2\t3\t4\t5\t6", "1\t2\t3\t4\t5\t6"}), 0},
        {"nan.trc", TrcFile({"A", "B"}, {"1\tNaN\t3\t4\t5\t6", "1\t2\t3\t4\tnan\t6"}), 1},
        {"clean.htr", HtrFile(1, 3), 0},
        {"claims.htr", HtrFile(1, 3, 4), 1},
    };
    for (const Case& c : cases) {
        const std::string file = dir_.Write(c.name, c.bytes).string();
        const auto info = RunCommand({"info", file});
        ASSERT_EQ(info.status, 0) << info.err;
        tovtest::CommandResult preview;
        Preview({file}, &preview);
        EXPECT_EQ(WarningLines(info.err).size(), c.warnings) << c.name << "\n" << info.err;
        EXPECT_EQ(WarningLines(preview.err), WarningLines(info.err)) << c.name;
    }
}

}  // namespace
