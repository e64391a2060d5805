// tovfileio preview: the pictures of the samples shown in the README are
// made again byte for byte, so the same input always gives the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

TEST(PreviewCommandTest, SamplePicturesAreMadeAgainByteForByte) {
    ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1);
    tovtest::ScratchDir dir;
    struct Case {
        const char* input;
        const char* frame;
        const char* picture;
    };
    const Case cases[] = {
        {"samples/walk.htr", "20", "docs/preview-walk-htr.svg"},
        {"samples/walk.trc", "10", "docs/preview-walk-trc.svg"},
    };
    for (const Case& c : cases) {
        const std::string out = (dir.Path() / "p.svg").string();
        const auto run = RunCommand({"preview", std::string(TOV_SOURCE_DIR "/") + c.input,
                                     "--frame", c.frame, "-o", out});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(tovtest::ReadBytes(out),
                  tovtest::ReadBytes(std::string(TOV_SOURCE_DIR "/") + c.picture))
            << c.input << ": remake " << c.picture << " if the drawing changed on purpose";
    }
    const auto neither = RunCommand({"preview", "-o", (dir.Path() / "n.svg").string()});
    EXPECT_EQ(neither.status, 2);
    ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1);
}

}  // namespace
