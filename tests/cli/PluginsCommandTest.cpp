#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/cli/RunCommand.h"

using tovtest::RunCommand;

namespace {

TEST(PluginsCommandTest, ListsTheClassesAndShowsTheAboutBox) {
    ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1);
    const auto json = RunCommand({"plugins", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* piece :
         {"\"version\":\"0x3A982800\"", "\"can_auto_defer\":true",
          "{\"index\":0,\"name\":\"ImportHTR\",\"category\":\"Motion Capture\","
          "\"super_class_id\":\"0x0A10\",\"class_id\":[\"0x52871D2D\",\"0x79755925\"],"
          "\"public\":true}",
          "{\"index\":3,\"name\":\"TOVUtilities\",\"category\":\"Motion Capture\","
          "\"super_class_id\":\"0x1020\",\"class_id\":[\"0x34CC2142\",\"0x1E45027A\"]"}) {
        EXPECT_NE(json.out.find(piece), std::string::npos) << piece;
    }
    const auto about = RunCommand({"about"});
    ASSERT_EQ(about.status, 0) << about.err;
    EXPECT_EQ(about.out.rfind("About...\n  [picture]\n  TOVFileIO for Brindle\n  Version 3.2.1\n", 0),
              0u)
        << about.out;

    ::setenv("TOVFILEIO_MODULE", "/nonexistent/TOVFileIO.dlu", 1);
    const auto missing = RunCommand({"plugins"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("/nonexistent/TOVFileIO.dlu: ", 0), 0u);
    ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1);
}

}  // namespace
