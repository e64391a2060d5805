#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/sdk/PluginClasses.h"
#include "brindle/sdk/TextCodec.h"
#include "tests/tools/cli/RunCommand.h"

using tovtest::RunCommand;

namespace {

TEST(PluginsCommandTest, ListsTheClassesAndShowsTheAboutBox) {
    const auto json = RunCommand({"plugins", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    // Each class as the module gives it, in its order, the numbers in
    // hexadecimal (their values are checked where the module is loaded).
    std::string error;
    const auto module = brindle::host::PluginModule::Load(TOV_MODULE_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    ASSERT_FALSE(module->Classes().empty());
    auto hex = [](unsigned long value, int digits) {
        char text[16];
        std::snprintf(text, sizeof text, "\"0x%0*lX\"", digits, value);
        return std::string(text);
    };
    EXPECT_NE(json.out.find("\"version\":" + hex(module->Version(), 8)), std::string::npos);
    for (std::size_t i = 0; i < module->Classes().size(); ++i) {
        ClassDesc* desc = module->Classes()[i];
        const std::string piece =
            "{\"index\":" + std::to_string(i) + ",\"name\":\"" +
            TextCodec::EncodeUtf8(desc->ClassName()) + "\",\"category\":\"" +
            TextCodec::EncodeUtf8(desc->Category()) +
            "\",\"super_class_id\":" + hex(desc->SuperClassID(), 4) + ",\"class_id\":[" +
            hex(desc->ClassID().PartA(), 8) + "," + hex(desc->ClassID().PartB(), 8) + "]";
        EXPECT_NE(json.out.find(piece), std::string::npos) << piece << "\n" << json.out;
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
