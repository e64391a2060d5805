// tovfileio repair, and the fix every refusing command passes on.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class RepairCommandTest : public tovtest::CliTest {};

// A TRC file of `rows` rows whose fields are separated by blanks from line
// 6 on, and line 1 too.
std::string BlankRowsTrc(int rows) {
    std::string text = tovtest::Edited(tovtest::TrcText({"A"}, {}), "PathFileType\t4\t(X/Y/Z)", "PathFileType 4 (X/Y/Z)");
    text = tovtest::Edited(text, "60\t60\t0\t", "60\t60\t" + std::to_string(rows) + "\t");
    for (int r = 1; r <= rows; ++r) text += std::to_string(r) + " 0 1.5 2 3\n";
    return text;
}

TEST_F(RepairCommandTest, SaysEachChangeOnceForARunOfLinesAndWritesTheFile) {
    const std::string in = Write("blank.trc", BlankRowsTrc(500)), out = Path("fixed.trc");
    EXPECT_EQ(tovtest::RunOk({"repair", in, out}).out,
              in + ": line 1: blanks after PathFileType and after the path-file type; written with tabs\n" + in +
                  ": lines 7-506: fields separated by blanks; written with tabs\n");
    EXPECT_THAT(tovtest::RunOk({"info", "--diagnose", out}).out, HasSubstr("reads as written"));
    EXPECT_EQ(tovtest::ReadBytes(out).substr(tovtest::ReadBytes(out).rfind("500")), "500\t0\t1.5\t2\t3\n");

    // The README's blanks.trc, walk.trc with its tabs turned to blanks: rows
    // 24-28 hold a dropout, and each value is written back in its column.
    std::string blanks = tovtest::ReadBytes(tovtest::kWalkTrc);
    std::replace(blanks.begin(), blanks.end(), '\t', ' ');
    const std::string walk = Write("blanks.trc", blanks), repaired = Path("walk-repaired.trc");
    EXPECT_THAT(tovtest::RunOk({"repair", walk, repaired}).out,
                HasSubstr(walk + ": lines 24-28: fields separated by blanks, a run of k holding k - 1 "
                                 "empty fields; written with tabs\n"));
    EXPECT_EQ(tovtest::ReadBytes(repaired), tovtest::ReadBytes(tovtest::kWalkTrc));
}

TEST_F(RepairCommandTest, RefusesWhatItCannotRepairWithTheDiagnosisAndWritesNothing) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string unrepairable = Write("order.htr", tovtest::Edited(tovtest::HtrText(1, 1, 2), "ZYX", "XYX"));
    const std::string good = Write("good.trc", tovtest::TrcText({"A"}, {"1\t2\t3"}));
    const std::vector<Case> cases = {
        {"an order of a repeated axis", {"repair", unrepairable, Path("o.htr")}, 1,
         unrepairable + ": not repaired: refused: The file does not have a compatible \"EulerRotationOrder\" header "
                        "state; line 8, column 20: the reader takes EulerRotationOrder ZYX only, not \"XYX\"\n"},
        {"OUT is IN", {"repair", good, good}, 1, "is the input file"},
        {"no OUT", {"repair", good}, 2, "OUT is required"},
        {"a file of no such name", {"repair", Path("none.trc"), Path("o.trc")}, 1, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tovtest::RunExpecting(c.args, c.status, HasSubstr(c.err));
        EXPECT_FALSE(std::filesystem::exists(Path("o.htr")));
        EXPECT_FALSE(std::filesystem::exists(Path("o.trc")));
    }
    EXPECT_EQ(tovtest::ReadBytes(good), tovtest::TrcText({"A"}, {"1\t2\t3"}));
}

// import-trc, view, info and convert pass on the reader's cause and fix;
// where the repair makes the file read they name it.
TEST_F(RepairCommandTest, RefusingCommandsPassOnTheFixAndNameRepair) {
    const std::string blank = Write("blank.trc", BlankRowsTrc(3));
    const std::string noXyz =
        Write("noxyz.trc", tovtest::Edited(tovtest::TrcText({"A"}, {"1\t2\t3"}), "\t(X/Y/Z)", " (X/Z/Y)"));
    const std::string repairs = "`tovfileio repair IN OUT` repairs it (line 1: blanks after PathFileType and after "
                                "the path-file type; written with tabs, and 1 more)";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string said;
        bool namesRepair;
    };
    const std::vector<Case> cases = {
        {"import-trc", {"import-trc", blank, "--scene", Path("s.json"), "--suppress-prompts"}, "line 1: ", true},
        {"view", {"view", blank, "-o", Path("v.html")}, "the import did not succeed: line 1: ", true},
        {"info", {"info", blank}, "(line 1: ", true},
        {"convert", {"convert", blank, Path("o.gwm")}, "(line 1: ", true},
        {"view, unrepairable", {"view", noXyz, "-o", Path("v.html")}, "the import did not succeed: line 1: ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = tovtest::RunExpecting(c.args, 1, HasSubstr(c.said));
        EXPECT_THAT(run.err, c.namesRepair ? ::testing::Matcher<const std::string&>(HasSubstr(repairs))
                                           : Not(HasSubstr("tovfileio repair")));
    }
}

}  // namespace
