// tovfileio preview: the README's pictures of the samples are made again
// byte for byte; the frame drawn is one the input holds; markers not seen
// are not drawn; names never overprint; the grid is of round numbers in the
// scene's units; the file's warnings are said as info says them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "preview/ScenePreview.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/support/FarHtr.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using tovtest::RunCommand;
using tovtest::RunExpecting;
using tovtest::RunOk;
using tovtest::With;

std::string Caption(const std::string& svg) {
    static const std::regex caption("font-size=\"12\" fill=\"#555555\">([^<]*)<");
    std::smatch match;
    return std::regex_search(svg, match, caption) ? match[1].str() : std::string();
}

// A small text of the picture: a marker's name (blue) or a grid value
// (grey), in the front view (x below 400) or the side view.
struct SvgText {
    double x, y;
    std::string fill, text;
    int View() const { return x < 400 ? 0 : 1; }
};

std::vector<SvgText> SmallTexts(const std::string& svg) {
    static const std::regex text("<text x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" font-size=\"8\" "
                                 "fill=\"(#[0-9a-f]+)\">([^<]*)<");
    std::vector<SvgText> texts;
    for (std::sregex_iterator at(svg.begin(), svg.end(), text), end; at != end; ++at) {
        texts.push_back({std::stod((*at)[1]), std::stod((*at)[2]), (*at)[3], (*at)[4]});
    }
    return texts;
}

class PreviewCommandTest : public tovtest::CliTest {
protected:
    // The picture of `args`, its messages in `err`.
    std::string Preview(const Arguments& args, std::string* err = nullptr) {
        return Made("preview", args, ".svg", err);
    }
    std::string Scene(const std::string& name, std::vector<std::string> import) {
        const std::string scene = Path(name);
        import.insert(import.begin() + 2, {"--scene", scene, "--create", "--all", "--offset", "0"});
        RunOk(import);
        return scene;
    }
};

// A file named without its extension is read and imported as the kind its
// content says, and a typed name leads where the host's importers take it:
// the same picture under the name given.
TEST_F(PreviewCommandTest, SamplePicturesAreMadeAgainByteForByte) {
    auto titled = [](std::string picture, const std::string& from, const std::string& to) {
        return picture.replace(picture.find(">" + from + "<"), from.size() + 2, ">" + to + "<");
    };
    for (const std::string kind : {"htr", "trc"}) {
        const std::string sample = TOV_SOURCE_DIR "/samples/walk." + kind;
        const std::string picture = TOV_SOURCE_DIR "/docs/preview-walk-" + kind + ".svg";
        EXPECT_EQ(Preview({sample, "--frame", "20"}), tovtest::ReadBytes(picture))
            << "remake " << picture << " if the drawing changed on purpose";
        const std::string unnamed = Write("take-" + kind, tovtest::ReadBytes(sample));
        EXPECT_EQ(Preview({unnamed, "--frame", "20"}),
                  titled(tovtest::ReadBytes(picture), "walk." + kind, "take-" + kind));
    }
    EXPECT_EQ(Preview({TOV_SOURCE_DIR "/samples/walk", "--frame", "20"}),
              titled(tovtest::ReadBytes(TOV_SOURCE_DIR "/docs/preview-walk-htr.svg"), "walk.htr",
                     "walk"));
}


// Without --frame: a file's first frame (not an HTR file's base pose, keyed
// a frame before it), a scene's range start. Another frame must be one the
// input holds: else one line, status 2 and no picture.
TEST_F(PreviewCommandTest, TheFrameDrawnIsOneTheInputHolds) {
    const std::string htr = Write("late.htr", tovtest::HtrText(2, 5, 3));
    const std::string trc =
        Write("t.trc", tovtest::TrcText({"A"}, {"1\t2\t3", "4\t5\t6"}, 12));
    const std::string scene = Scene("s.json", {"import-htr", htr, "--key-base", "--animate"});
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
    const std::string out = (dir_.Path() / "refused.svg");
    for (const auto& c : cases) {
        std::vector<std::string> args = c.input;
        const std::string drawn = Preview(args);
        EXPECT_THAT(Caption(drawn), StartsWith(std::string("frame ") + c.first + ","));
        args.insert(args.end(), {"--frame", c.first});
        EXPECT_EQ(drawn, Preview(args));
        for (const auto& [frame, message] : c.refused) {
            RunExpecting(With(With({"preview"}, c.input), {"--frame", frame, "-o", out}), 2,
                         "tovfileio preview: --frame " + std::string(frame) + ": " + message + "\n");
            EXPECT_FALSE(std::filesystem::exists(out)) << message;
        }
    }
}

// B drops out in frame 2, where C is seen at the file's origin. A file tells
// the two apart; a scene keeps a dropout only as a key at the origin, so
// there C is taken for one as well.
TEST_F(PreviewCommandTest, MarkersNotSeenAreLeftOut) {
    const std::string seen = "100\t900\t0\t200\t900\t0\t300\t900\t0";
    const std::string trc =
        Write("gap.trc", tovtest::TrcText({"A", "B", "C"}, {seen, "100\t900\t0\t\t\t\t0\t0\t0", seen}));

    const std::string scene = Scene("s.json", {"import-trc", trc, "--scale-factor", "1"});
    const struct {
        std::vector<std::string> input;
        std::set<std::string> drawn;
        const char* caption;
    } cases[] = {
        {{trc, "--frame", "1"}, {"A", "B", "C"}, "frame 1, units mm, 3 objects, grid 50 mm"},
        {{trc, "--frame", "2"}, {"A", "C"},
         "frame 2, units mm, 2 objects, 1 marker not seen at this frame, grid 200 mm"},
        {{"--scene", scene, "--frame", "2"}, {"A"},
         "frame 2, units mm, 1 objects, 2 markers not seen at this frame, grid 0.2 mm"},
        {{"--scene", scene, "--frame", "3"}, {"A", "B", "C"},
         "frame 3, units mm, 3 objects, grid 50 mm"},
    };
    for (const auto& c : cases) {
        const std::string svg = Preview(c.input);
        std::set<std::string> names;
        for (const SvgText& text : SmallTexts(svg)) {
            if (text.fill == "#3333cc") names.insert(text.text);
        }
        EXPECT_EQ(names, c.drawn) << c.input[0] << " " << c.input.back();
        EXPECT_EQ(Caption(svg), c.caption);
    }
}

// Forty markers, most in a crowd: no two names or grid values overprint,
// and each view counts the names it left out.
TEST_F(PreviewCommandTest, NamesNeverOverprintEachOther) {
    std::vector<std::string> names;
    std::string row;
    for (int m = 0; m < 40; ++m) {
        names.push_back("M" + std::to_string(m));
        const bool crowd = m < 36;
        row += (m == 0 ? "" : "\t") + std::to_string(crowd ? 500 + 3 * (m % 6) : 100 * (m - 36)) +
               "\t" + std::to_string(crowd ? 800 + 4 * (m / 6) : 100 * (m - 36)) + "\t" +
               std::to_string(7 * m);
    }
    const std::string svg = Preview({Write("crowd.trc", tovtest::TrcText(names, {row}))});
    const std::vector<SvgText> texts = SmallTexts(svg);
    std::size_t drawn[2] = {0, 0};
    for (const SvgText& a : texts) {
        drawn[a.View()] += a.fill == "#3333cc" ? 1 : 0;
        for (const SvgText& b : texts) {
            // The boxes as placed, less the tenth of a pixel of rounding.
            const bool apart = b.x + b.text.size() * tovpreview::kLabelCharWidth - 0.1 <= a.x ||
                               a.x + a.text.size() * tovpreview::kLabelCharWidth - 0.1 <= b.x ||
                               b.y + 1.9 <= a.y - tovpreview::kLabelHeight + 2.1 ||
                               a.y + 1.9 <= b.y - tovpreview::kLabelHeight + 2.1;
            EXPECT_TRUE(&a == &b || apart) << a.text << " and " << b.text << " overprint";
        }
    }
    for (int view = 0; view < 2; ++view) {
        EXPECT_GT(drawn[view], 4u);
        EXPECT_THAT(svg,
                    HasSubstr(", " + std::to_string(40 - drawn[view]) +
                        " labels left out where names would overlap<"));
    }
}

// Two markers `spread` millimetres apart in scenes of several units: the
// step is 1, 2 or 5 times a power of ten of the unit, and every grid value
// is a whole number of steps, written without needless digits.
TEST_F(PreviewCommandTest, GridStepsAreRoundNumbersInTheScenesUnits) {
    const struct {
        const char* spread;
        const char* unit;
        const char* step;
    } cases[] = {
        {"1000", "mm", "200 mm"}, {"1", "mm", "0.2 mm"},  {"37", "mm", "5 mm"},
        {"1000", "cm", "20 cm"},  {"1000", "m", "0.2 m"}, {"2500", "in", "20 in"},
    };
    for (const auto& c : cases) {
        const std::string row = "0\t0\t0\t0\t" + std::string(c.spread) + "\t0";
        const std::string trc = Write("two.trc", tovtest::TrcText({"A", "B"}, {row}));
        const std::string scene =
            Scene(std::string(c.spread) + c.unit + ".json",
                  {"import-trc", trc, "--system-unit", c.unit, "--scale-factor", "1"});
        const std::string svg = Preview({"--scene", scene});
        EXPECT_TRUE(Caption(svg).ends_with(std::string(", grid ") + c.step)) << Caption(svg);
        std::size_t values = 0;
        for (const SvgText& text : SmallTexts(svg)) {
            if (text.fill != "#999999") continue;
            ++values;
            const double steps = std::stod(text.text) / std::stod(c.step);
            EXPECT_NEAR(steps, std::round(steps), 1e-9) << text.text << " in steps of " << c.step;
            std::ostringstream shortest;
            shortest << std::stod(text.text);
            EXPECT_EQ(text.text, shortest.str());
        }
        EXPECT_GE(values, 6u) << c.step;
    }
}

// The views are named and numbered in the file's axes. Marker A stands at
// z 500 and B at z -500 of the file, at one height: read as standing Y up,
// the side view has the file's z to the left, so A is left of B and the
// values along its foot fall from left to right; read as standing Z up
// (turned, so the scene's axes are the file's), and for a C3D file or a
// scene, the views are the scene's and the values rise.
TEST_F(PreviewCommandTest, TheViewsAreNamedAndNumberedInTheFilesAxes) {
    const std::string trc = Write("ab.trc", tovtest::TrcText({"A", "B"}, {"0\t1000\t500\t0\t1000\t-500"}));
    const std::string scene = Scene("ab.json", {"import-trc", trc});
    const std::string fileAxes[2] = {"front (x right, y up)", "side (z left, y up)"};
    const std::string sceneAxes[2] = {"front (x right, z up)", "side (y right, z up)"};
    const struct {
        std::vector<std::string> input;
        const std::string* names;
        bool aLeftOfB;  // in the side view
    } cases[] = {
        {{trc, "--up", "y"}, fileAxes, true},
        {{tovtest::kWalkHtr}, fileAxes, false},
        {{trc, "--up", "z"}, sceneAxes, false},
        {{"--scene", scene}, sceneAxes, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.front());
        const std::string svg = Preview(c.input);
        for (int view = 0; view < 2; ++view) EXPECT_THAT(svg, HasSubstr(">" + c.names[view]));
        // The side view's values along its foot, left to right.
        std::vector<std::pair<double, double>> foot;
        std::map<std::string, double> labels;
        for (const SvgText& text : SmallTexts(svg)) {
            if (text.View() != 1) continue;
            if (text.fill == "#999999" && text.y > 410) foot.emplace_back(text.x, std::stod(text.text));
            if (text.fill != "#999999") labels[text.text] = text.x;
        }
        std::sort(foot.begin(), foot.end());
        ASSERT_GE(foot.size(), 3u);
        const bool falling = c.names == fileAxes;
        for (std::size_t i = 1; i < foot.size(); ++i) {
            EXPECT_EQ(foot[i].second < foot[i - 1].second, falling) << foot[i].second;
        }
        if (c.aLeftOfB) {
            ASSERT_EQ(labels.count("A") + labels.count("B"), 2u);
            EXPECT_LT(labels["A"], labels["B"]);
        }
    }
    const std::vector<std::filesystem::path> c3d = tovtest::CorpusFiles("c3d", ".c3d");
    if (!c3d.empty()) {
        EXPECT_THAT(Preview({c3d.front().string()}), HasSubstr(">" + sceneAxes[1]));
    }
}

// A file of each format that info warns of (the warnings themselves are
// info's to check).
TEST_F(PreviewCommandTest, TheFilesWarningsAreSaidAsInfoSaysThem) {
    const std::pair<const char*, std::string> cases[] = {
        {"text.trc", tovtest::TrcText({"A", "B"}, {"1\tx\t3\t4\t5\t6", "1\t2\t3\t4\ty\t6"})},
        {"claims.htr", tovtest::HtrText(2, 1, 3, 4)},
    };
    for (const auto& [name, bytes] : cases) {
        const std::string file = Write(name, bytes);
        const auto info = RunCommand({"info", file});
        std::string err;
        Preview({file}, &err);
        EXPECT_EQ(err, info.err) << name;
        EXPECT_EQ(info.err.find(file + ": warning: "), 0u) << info.err;
    }
}

// tovfileio view: what it refuses besides its usage, with status 1 and the
// cause, leaving no page behind.
TEST_F(PreviewCommandTest, ViewRefusalsLeaveNoPage) {
    const std::string walk = tovtest::kWalkTrc, far = Write("far.htr", tovtest::FarHtr());
    const std::string empty = Write("empty.json",
        "{\"format\": \"tovfileio-scene\", \"version\": 2, \"frame_rate\": 30, "
                                                  "\"ticks_per_frame\": 160, \"system_unit_mm\": 1.0, \"time\": 0, \"nodes\": []}");
    // A scene whose range is half a million frames long, of 36 markers keyed
    // 41 times: refused before a position is evaluated.
    const std::string scene = Path("long.json");
    RunOk({"import-trc", walk, "--scene", scene, "--suppress-prompts"});
    Write("long.json", std::regex_replace(RunOk({"scene", "--json", scene}).out,
        std::regex("\"animation_range\": \\[[^\\]]*\\]"),
                                          "\"animation_range\": [0, 80000000]"));
    const std::string out = Path("page.html");
    const std::pair<Arguments, std::string> cases[] = {
        {{"view", "--scene", empty, "-o", out},
         "empty.json: the scene holds no bones or markers; there is nothing to play\n"},
        {{"view", far, "-o", out},
         "far.htr: node \"Hips\": its position at frame 1 is not a finite number; nothing made\n"},
        {{"view", walk, "-o", out, "--max-output", "4K"}, "the output would take at least"},
        {{"view", "--scene", scene, "-o", out}, "the output would take at least 275 MiB"},
        // The input itself is never replaced by the page.
        {{"view", walk, "-o", walk}, walk},
        {{"view", walk, "-o", out, "--rename", Path("none.mnm")},
         Path("none.mnm") + ": The file could not be opened"},
    };
    for (const auto& [args, said] : cases) {
        RunExpecting(args, 1, HasSubstr(said));
        EXPECT_FALSE(std::filesystem::exists(out)) << args[1];
    }
}

// The links of a view page, as "A-B" of their markers' names, in order.
std::vector<std::string> PageLinks(const std::string& html) {
    std::vector<std::string> names, links;
    static const std::regex name("\\{\"name\":\"([^\"]*)\"");
    const std::size_t nodesEnd = html.find("\"links\":[");
    for (std::sregex_iterator at(html.begin(), html.begin() + nodesEnd, name), end; at != end; ++at) {
        names.push_back((*at)[1]);
    }
    static const std::regex link("\\[([0-9]+),([0-9]+)\\]");
    const std::size_t linksEnd = html.find("]\n", nodesEnd);
    for (std::sregex_iterator at(html.begin() + nodesEnd, html.begin() + linksEnd, link), end;
         at != end; ++at) {
        links.push_back(names[std::stoul((*at)[1])] + "-" + names[std::stoul((*at)[2])]);
    }
    return links;
}

// The filled runs of each marker node of a view page that has some, by name:
// the text of its "filled" array.
std::map<std::string, std::string> PageFilledRuns(const std::string& html) {
    std::map<std::string, std::string> filled;
    static const std::regex node("\\{\"name\":\"([^\"]*)\"[^\n]*?\"filled\":(\\[[^\n]*?\\]\\])\\}");
    for (std::sregex_iterator at(html.begin(), html.end(), node), end; at != end; ++at) {
        filled[(*at)[1]] = (*at)[2];
    }
    return filled;
}

// view cleans a marker take as convert does and says each filled gap in
// convert's words; the page names the frames filled, of that marker alone.
// A take in which nothing was filled makes the page of the file as it is.
TEST_F(PreviewCommandTest, ViewShowsTheGapsTheFillFilled) {
    const std::string page = Path("filled.html"), plain = Path("plain.html");
    const auto converted = RunOk({"convert", "--fill-gaps", tovtest::kWalkTrc, Path("filled.trc")});
    const auto viewed = RunOk({"view", "--fill-gaps", tovtest::kWalkTrc, "-o", page});
    EXPECT_EQ(viewed.err, std::regex_replace(converted.err, std::regex(Path("filled.trc")), tovtest::kWalkTrc));
    EXPECT_THAT(viewed.err, HasSubstr("filled RWRB at frames 18\u201322 (rigid)"));
    const std::string html = tovtest::ReadBytes(page);
    EXPECT_EQ(PageFilledRuns(html), (std::map<std::string, std::string>{{"RWRB", "[[18,22,\"rigid\"]]"}}));
    EXPECT_NE(html.find("const FILLED = "), std::string::npos);

    RunOk({"view", tovtest::kWalkTrc, "-o", plain});
    const auto unfilled = RunOk({"view", "--fill-gaps", "--max-gap", "0.01", tovtest::kWalkTrc, "-o", page});
    EXPECT_THAT(unfilled.err, HasSubstr("0 gaps filled; 1 gap longer than 0.01 s left unfilled"));
    EXPECT_EQ(tovtest::ReadBytes(page), tovtest::ReadBytes(plain));
    EXPECT_EQ(tovtest::ReadBytes(plain).find("FILLED"), std::string::npos);
}

// A cleaned take is shown from its copy, yet the file's warnings are said
// once, as they are without cleaning; an option ahead of the file leaves it
// a file.
TEST_F(PreviewCommandTest, ViewOfACleanedTakeSaysTheFilesWarnings) {
    const std::string file =
        Write("text.trc", tovtest::TrcText({"A", "B"}, {"1\tx\t3\t4\t5\t6", "1\t2\t3\t4\ty\t6"}));
    const std::string page = Path("page.html");
    const std::string warnings = RunOk({"view", file, "-o", page}).err;
    EXPECT_THAT(warnings, StartsWith(file + ": warning: "));
    const std::pair<Arguments, std::string> cases[] = {
        {{"view", file, "-o", page, "--drop", "B"}, warnings},
        {{"view", "--drop", "B", file, "-o", page}, warnings},
        {{"view", file, "-o", page, "--fill-gaps"}, warnings + file + ": 0 gaps filled\n"},
    };
    for (const auto& [args, said] : cases) EXPECT_EQ(RunOk(args).err, said) << args[1];
}

TEST_F(PreviewCommandTest, ViewLinksComeFromAFileAMapOrTheTake) {
    const std::string page = Path("links.html");
    const std::string file = Write("links.txt", "# knees\nLKNE\tLANK\nRKNE RANK\nLKNE Nose\n");
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> present, absent;
        std::string warning;
    };
    const Case cases[] = {
        // Markers on one segment keep their distance; a thigh and a shin
        // marker do not.
        {{}, {"LFHD-RFHD", "LKNE-LTIB", "LHEL-LMT5", "LFWT-RFWT"}, {"LTHI-LTIB", "RTHI-RTIB"}, ""},
        {{"--mnm", tovtest::kSamples + "walk.mnm"},
         {"LFHD-RFHD", "RKNE-RANK", "LSHO-LELB", "LHEL-LMT5"},
         {"LTHI-LKNE"},
         ""},
        {{"--links", file},
         {"LKNE-LANK", "RKNE-RANK"},
         {"LFHD-RFHD"},
         file + ": warning: no marker of the take is named Nose; the links to it are left out\n"},
        {{"--no-links"}, {}, {"LFHD-RFHD", "LKNE-LTIB"}, ""},
    };
    for (const Case& c : cases) {
        const auto run = RunOk(With({"view", tovtest::kWalkTrc, "-o", page}, c.options));
        const std::vector<std::string> links = PageLinks(tovtest::ReadBytes(page));
        for (const std::string& link : c.present) EXPECT_THAT(links, ::testing::Contains(link));
        for (const std::string& link : c.absent) EXPECT_THAT(links, Not(::testing::Contains(link)));
        if (c.options == std::vector<std::string>{"--no-links"}) {
            EXPECT_TRUE(links.empty());
        }
        EXPECT_EQ(run.err, c.warning);
    }
    // A skeleton overlaid with its markers: the map joins the markers, and
    // the skeleton's take, which has none, is not warned of.
    EXPECT_EQ(RunOk({"view", tovtest::kWalkHtr, tovtest::kWalkTrc, "--mnm",
                     tovtest::kSamples + "walk.mnm", "-o", page})
                  .err,
              "");
    RunExpecting({"view", tovtest::kWalkTrc, "-o", page, "--no-links", "--links", file}, 2,
                 HasSubstr("give one of --links, --mnm and --no-links"));
}

}  // namespace
