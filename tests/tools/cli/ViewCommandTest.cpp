// tovfileio view: what it refuses, with which status and message, leaving no
// page behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/FarHtr.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

TEST(ViewCommandTest, RefusalsLeaveNoPage) {
    tovtest::ScratchSettings settings;
    tovtest::ScratchDir dir;
    const std::string walk = TOV_SOURCE_DIR "/samples/walk.trc";
    const std::string far = dir.Write("far.htr", tovtest::FarHtr()).string();
    const std::string empty = dir.Write("empty.json",
                                        "{\"format\": \"tovfileio-scene\", \"version\": 2, "
                                        "\"frame_rate\": 30, \"ticks_per_frame\": 160, "
                                        "\"system_unit_mm\": 1.0, \"time\": 0, \"nodes\": []}")
                                  .string();
    // A scene whose range is half a million frames long, of 34 markers keyed 41
    // times: refused before a position is evaluated.
    const std::string scene = (dir.Path() / "long.json").string();
    ASSERT_EQ(RunCommand({"import-trc", walk, "--scene", scene, "--suppress-prompts"}).status, 0);
    const std::string document = std::regex_replace(
        tovtest::ReadBytes(scene), std::regex("\"animation_range\": \\[[^\\]]*\\]"),
        "\"animation_range\": [0, 80000000]");
    const std::string longScene = dir.Write("long.json", document).string();

    const std::string out = (dir.Path() / "page.html").string();
    struct Case {
        Arguments args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"view", "-o", out}, 2, "give either a file (HTR or TRC) or --scene"},
        {{"view", walk, "--scene", empty, "-o", out}, 2, "give either a file"},
        {{"view", walk, "-o", out, "--max-output", "lots"}, 2, "--max-output takes a size"},
        {{"view", walk}, 2, "--output is required"},
        {{"view", (dir.Path() / "none.trc").string(), "-o", out}, 1, "none.trc"},
        {{"view", "--scene", empty, "-o", out}, 1,
         "empty.json: the scene holds no bones or markers; there is nothing to play\n"},
        {{"view", far, "-o", out}, 1,
         "far.htr: node \"Hips\": its position at frame 1 is not a finite number; nothing made\n"},
        {{"view", walk, "-o", out, "--max-output", "4K"}, 1, "the output would take at least"},
        {{"view", "--scene", longScene, "-o", out}, 1, "the output would take at least 259 MiB"},
        {{"view", walk, "-o", walk}, 1, walk.c_str()},
    };
    for (const Case& c : cases) {
        const auto run = RunCommand(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[1] << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.args[1];
    }
}

}  // namespace
