#include <gtest/gtest.h>

#include <string>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using tovtest::RunCommand;

namespace {

TEST(SceneCommandTest, ShowsTheTreeOrTheDocument) {
    // Spine is written before its parent; Tip hangs 35 levels deep.
    std::string nodes =
        R"({"name": "Spine", "handle": 2, "parent": "Hips",
            "rotation": {"controller": "tcb", "keys": [[0, 0, 0, 0, 1], [160, 0.1, 0, 0, 1]]}},
           {"name": "Hips", "handle": 1, "parent": null,
            "object": {"class_id": [683634317, 785164352], "super_class_id": 16},
            "position": {"keys": [[0, 1, 2, 3]]}},
           {"name": "Box", "handle": 3, "parent_handle": 1,
            "object": {"class_id": [8872500, 0], "super_class_id": 80}})";
    for (int depth = 1; depth <= 34; ++depth) {
        nodes += R"(, {"name": ")" + std::string(depth == 34 ? "Tip" : "c") +
                 R"(", "handle": )" + std::to_string(100 + depth) + R"(, "parent_handle": )" +
                 std::to_string(depth == 1 ? 3 : 99 + depth) + "}";
    }
    tovtest::ScratchDir dir;
    const std::string path =
        dir.Write("s.json", R"({"format": "tovfileio-scene", "version": 1, "frame_rate": 25,
                               "animation_range": [0, 960], "nodes": [)" +
                                nodes + "]}")
            .string();

    const auto text = RunCommand({"scene", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("frame rate       25\n"
                             "ticks per frame  192\n"
                             "system unit      1 mm\n"
                             "time             0\n"
                             "animation range  0 to 960\n"
                             "nodes            37\n"
                             "Hips  bone  position 1 key, rotation 0 keys (euler_xyz), scale 0 keys\n"
                             "  Spine  none  position 0 keys, rotation 2 keys (tcb), scale 0 keys\n"
                             "  Box  dummy  position 0 keys, rotation 0 keys (euler_xyz), scale 0 keys\n"
                             "    c  none",
                             0),
              0u)
        << text.out;
    EXPECT_NE(text.out.find("\n" + std::string(64, ' ') + "[depth 35] Tip  none"),
              std::string::npos)
        << text.out;

    const auto json = RunCommand({"scene", "--json", path});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\n  \"format\": \"tovfileio-scene\",\n  \"version\": 2,\n", 0), 0u);
    // A key's values on a line, floats in their shortest form: 0.1f is 0.1.
    EXPECT_NE(json.out.find("\"ticks\": [0, 160],\n        \"values\": [\n"
                            "          0.0, 0.0, 0.0, 1.0,\n          0.1, 0.0, 0.0, 1.0\n        ]"),
              std::string::npos)
        << json.out;
    // What --json prints is itself a document that shows the same.
    const auto again = RunCommand({"scene", dir.Write("again.json", json.out).string()});
    EXPECT_EQ(again.out, text.out);

    const auto missing = RunCommand({"scene", (dir.Path() / "none.json").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "tovfileio scene: " + (dir.Path() / "none.json").string() +
                               ": cannot open: No such file or directory\n");
}

}  // namespace
