// tovfileio --version names the project's version, the one the installed
// package and its manual page carry.
#include <gtest/gtest.h>

#include "tests/tools/cli/RunCommand.h"

TEST(VersionTest, VersionIsTheProjectVersion) {
    for (const char* flag : {"--version", "-V"}) {
        const auto result = tovtest::RunCommand({flag});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "tovfileio " TOV_PROJECT_VERSION "\n") << flag;
    }
}
