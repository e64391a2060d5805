// Small files that claim much: every command answers them, reading them or
// refusing them with a message, within bounded work and memory. A process
// held to a CPU time and an address space far beyond what the answer takes
// ends by SIGXCPU, or fails to allocate, where the work or memory follows
// what the file names instead of what it holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/HostileInputs.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

using ::testing::HasSubstr;

// A minute of CPU time, ten under AddressSanitizer, which runs the same
// work several times slower: either is many times what the answers take.
#ifdef __SANITIZE_ADDRESS__
constexpr long kCpuSeconds = 600;
#else
constexpr long kCpuSeconds = 60;
#endif

class InputBombTest : public tovtest::CliTest {
protected:
    tovtest::ProcessResult Run(const std::vector<std::string>& args) {
        tovtest::ProcessOptions options = tovtest::KeepingSettingsIn(Path("registry.reg"));
        options.cpuSeconds = kCpuSeconds;
        options.memoryLimit = 1L << 30;
        return tovtest::RunProcess(args, dir_, options);
    }
};

// 200,000 markers named, 200,000 rows of a frame number and a time: 40
// billion samples in 9 MB. A summary reads it; what would hold every sample
// refuses it; a GWM file of it is larger than the output limit.
TEST_F(InputBombTest, TrimmedRowsUnderManyNamesAreAnsweredInBoundedWork) {
    const std::string bomb = Write("bomb.trc", tovtest::TrimmedRowsTrc(200000, 200000));
    const std::string shortRows = "200000 data rows end before the markers' columns";
    const std::string noMemory = "There is not enough memory to read the file";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"info", bomb}, 0, "200000 in the header, 200000 rows read"},
        {{"info", "--diagnose", bomb}, 0, "reads, but: " + shortRows},
        {{"import-trc", bomb, "--scene", Path("s.json"), "--suppress-prompts"}, 1, noMemory},
        {{"preview", bomb, "-o", Path("p.svg")}, 1, noMemory},
        {{"view", bomb, "-o", Path("v.html")}, 1, noMemory},
        {{"convert", bomb, Path("o.glb")}, 1, noMemory},
        {{"convert", bomb, Path("o.gwm")}, 1, "the output would take more than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const auto result = Run(c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_THAT(result.out + result.err, HasSubstr(c.said));
    }
    for (const char* output : {"s.json", "p.svg", "v.html", "o.glb", "o.gwm"}) {
        EXPECT_FALSE(std::filesystem::exists(Path(output))) << output;
    }
}

// A chain 100,000 segments deep goes through the module and back in work
// that grows with its segments, not their square.
TEST_F(InputBombTest, DeepChainsRoundtripInLinearWork) {
    const std::string chain = Write("chain.htr", tovtest::ChainHtr(100000));
    const auto result = Run({"roundtrip", chain, Path("out.htr")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("within the host's single precision: yes"));
}

}  // namespace
