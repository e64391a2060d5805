// The parts of the command line on their own: the JSON writer, the rule
// that says whether a plug-in's run succeeded, the creation of the module's
// plug-ins, the registry kept in memory while a command imports into a
// fresh scene, the progress bar, and an output written under a lack of
// memory.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "brindle/host/registry/RegistryStore.h"
#include "cli/files/InputFile.h"
#include "cli/files/OutputFile.h"
#include "cli/run/FileTake.h"
#include "json/JsonWriter.h"
#include "cli/run/PluginRun.h"
#include "cli/run/PluginRunner.h"
#include "cli/run/Progress.h"
#include "cli/run/TemporaryRegistry.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/module/ClassIds.h"
#include "tests/support/AllocationFailure.h"
#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using brindle::host::RegistryStore;

// Every document the writer makes (`info --json`, `plugins --json`) parses,
// and parses back to the values written.
TEST(JsonWriterTest, DocumentsParseBackToTheValuesWritten) {
    const std::string awkward = std::string("quote\" backslash\\ tab\t nl\n cr\r bell\x07 nul") +
                                '\0' + " del\x7f é";
    JsonWriter json;
    json.BeginObject();
    json.Key("awkward").String(awkward);
    json.Key("wide").String(std::wstring_view(L"Hüfte \U0001F600"));
    json.Key("ints").BeginArray()
        .Int(std::numeric_limits<std::int64_t>::min())
        .UInt(std::numeric_limits<std::uint64_t>::max())
        .EndArray();
    json.Key("doubles").BeginArray()
        .Double(0.1).Double(1e300).Double(5e-324)
        .Double(HUGE_VAL).Double(-HUGE_VAL).Double(std::nan(""))
        .EndArray();
    json.EndObject();

    // JSON has no infinities or NaN: they are null.
    const nlohmann::json expected = {
        {"awkward", awkward},
        {"wide", "H\xC3\xBC" "fte \xF0\x9F\x98\x80"},
        {"ints", {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max()}},
        {"doubles", {0.1, 1e300, 5e-324, nullptr, nullptr, nullptr}}};
    EXPECT_EQ(nlohmann::json::parse(json.Text()), expected);
}

// The module's plug-ins created by class id as the base class asked for: a
// class of another super class is refused before any object is made, and
// the command says why.
TEST(PluginRunnerTest, CreatesAClassOnlyAsTheBaseClassOfItsSuperClass) {
    enum class Base { Import, Export, Utility };
    const std::string not_ = "tovfileio test: the module's plug-in class is not a ";
    const struct {
        Class_ID id;
        Base base;
        std::string err;  // empty when made
    } cases[] = {
        {kImportHtrClassId, Base::Import, ""},
        {kExportHtrClassId, Base::Export, ""},
        {kUtilitiesClassId, Base::Utility, ""},
        {kImportHtrClassId, Base::Export, not_ + "scene exporter\n"},
        {kExportHtrClassId, Base::Import, not_ + "scene importer\n"},
        {kImportTrcClassId, Base::Utility, not_ + "utility\n"},
        {Class_ID(1, 2), Base::Import, "tovfileio test: the module has no such plug-in class\n"},
    };
    for (const auto& c : cases) {
        tovtest::MemoryFile err;
        CommandIO io;
        io.err = err.File();
        bool made = false;
        {
            PluginRunner runner(io, "test");
            if (c.base == Base::Import) made = runner.Create<SceneImport>(c.id) != nullptr;
            if (c.base == Base::Export) made = runner.Create<SceneExport>(c.id) != nullptr;
            if (c.base == Base::Utility) made = runner.Create<UtilityObj>(c.id) != nullptr;
        }
        EXPECT_EQ(made, c.err.empty()) << c.err;
        EXPECT_EQ(err.Text(), c.err);
    }
}

// The registry kept in memory while a command imports into a fresh scene:
// the store a command found is the store it leaves, however it ends, and a
// person's store file is neither used nor changed.
class TemporaryRegistryTest : public ::testing::Test {
protected:
    ~TemporaryRegistryTest() override { RegistryStore::Instance().UseFile(""); }
    static bool Holds(const wchar_t* name) {
        return RegistryStore::Instance().CurrentUser().values.count(name) > 0;
    }
    // A store holding "Before", kept in `file` (empty: in memory); its bytes.
    static std::string StoreWithValue(const std::string& file) {
        RegistryStore& store = RegistryStore::Instance();
        store.UseFile(file);
        store.CurrentUser().values[L"Before"] = {REG_DWORD, {1, 0, 0, 0}};
        return file.empty() || !store.Save() ? "" : tovtest::ReadBytes(file);
    }

    tovtest::ScratchDir dir_;
    const std::string file_ = (dir_.Path() / "registry.reg").string();
};

// The body leaves by an exception, the way out that skips the most.
TEST_F(TemporaryRegistryTest, TheStoreFoundIsTheStoreLeftHoweverTheBodyEnds) {
    for (const bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile);
        const std::string saved = StoreWithValue(fromFile ? file_ : "");
        // Sets "Inside" while the guard holds the store, then throws.
        auto body = [&] {
            const TemporaryRegistry guard;
            EXPECT_EQ(RegistryStore::Instance().FilePath(), "");
            // A store switched from its file starts empty; one in memory is kept.
            EXPECT_EQ(Holds(L"Before"), !fromFile);
            RegistryStore::Instance().CurrentUser().values[L"Inside"] = {REG_DWORD, {2, 0, 0, 0}};
            RegistryStore::Instance().MarkChanged();
            throw std::runtime_error("the body failed");
        };
        try {
            body();
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(RegistryStore::Instance().FilePath(), fromFile ? file_ : "");
        EXPECT_TRUE(Holds(L"Before"));
        EXPECT_EQ(Holds(L"Inside"), !fromFile);
        EXPECT_EQ(fromFile ? tovtest::ReadBytes(file_) : "", saved);
    }
}

// The import dialogs save their options; none of them reaches the person's
// store, which is the store again when the command ends.
TEST_F(TemporaryRegistryTest, CommandsImportingIntoAFreshSceneLeaveThePersonsStoreAsFound) {
    const std::string out = dir_.Path().string();
    // The round trip's export dialog saves its options too.
    for (const Arguments& args : {Arguments{"roundtrip", tovtest::kWalkHtr, out + "/o.htr"},
                                  Arguments{"convert", tovtest::kWalkHtr, out + "/o.glb"}}) {
        const std::string saved = StoreWithValue(file_);
        tovtest::RunOk(args);
        EXPECT_EQ(RegistryStore::Instance().FilePath(), file_) << args[0];
        EXPECT_EQ(tovtest::ReadBytes(file_), saved) << args[0];
    }
}

// The progress bar: drawn on a terminal, then cleared; nothing at all on
// anything else (a log a script keeps), however long the work runs.
TEST(ProgressTest, DrawnOnATerminalOnly) {
    tovtest::Terminal terminal;
    if (terminal.File() == nullptr) GTEST_SKIP() << "no pseudo-terminal here";
    std::FILE* file = std::tmpfile();
    std::atomic<std::uint64_t> done{0};
    for (std::FILE* to : {terminal.File(), file}) {
        done = 1000;
        Progress progress(to, 200, [&] { return done.load(); }, "reading x.trc",
                          std::chrono::milliseconds(0));
        done = 1100;
        std::this_thread::sleep_for(std::chrono::milliseconds(350));
    }
    EXPECT_THAT(terminal.Shown(),
                AllOf(HasSubstr("\rreading x.trc [###############...............]  50%"),
                      EndsWith("\r\033[K")));
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

// A lack of memory at any allocation of a write, from opening the output to
// putting it in place, leaves the old file byte for byte, or the new one
// whole once it is in place, and nothing beside it. A write that says it
// succeeded left the new file.
TEST(OutputFileTest, ALackOfMemoryAnywhereInAWriteKeepsTheFile) {
    tovtest::ScratchDir dir;
    const std::string path = dir.Write("out.svg", "old").string();
    // More than the writer holds back: it is on the disk before Commit.
    const std::string bytes(200000, 'x');
    OutputFile output;
    std::string error;
    ASSERT_TRUE(output.Resolve(path, "in.htr", "", ".svg", nullptr, error)) << error;
    std::size_t allocations = 0;
    for (int run = 0; run < 2; ++run) {  // the first run makes what a process makes once
        dir.Write("out.svg", "old");
        tovtest::AllocationFailure count(0);
        ASSERT_TRUE(output.Write(bytes, error)) << error;
        allocations = count.Count();
    }
    for (std::size_t at = 1; at <= allocations; ++at) {
        dir.Write("out.svg", "old");
        bool written = false, failed = false;
        {
            tovtest::AllocationFailure fail(at);
            try {
                written = output.Write(bytes, error);
            } catch (const std::bad_alloc&) {
            }
            failed = fail.Failed();
        }
        ASSERT_TRUE(failed) << at << " of " << allocations;
        const std::string now = tovtest::ReadBytes(path);
        EXPECT_TRUE(now == (written ? bytes : "old") || now == bytes) << at;
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"out.svg"}) << at;
    }
}

// One read of a TRC file before its import tells what three did: the take
// (findings, frames, the markers unseen at a frame), how it stands, and
// the markers unseen where the take starts. Other files are left unread.
class SurveyTakeTest : public tovtest::CliTest {};

// What a survey and the separate reads must agree on, as one value: whether
// the take read, its first frame and length, the markers unseen, and the
// code and line of each finding; how it stands.
auto Told(const FileTake& take) {
    std::vector<std::pair<int, std::uint64_t>> findings;
    for (const auto& f : take.findings.All()) findings.emplace_back(static_cast<int>(f.code), f.line);
    return std::tuple(take.read, take.first, take.frames, take.unseen, findings);
}
auto Told(const tovfileio::Standing& s) {
    return std::tuple(static_cast<int>(s.evidence), s.axis, s.headDown, s.frames, s.emptyFrames);
}

TEST_F(SurveyTakeTest, OneReadTellsWhatTheSeparateReadsTold) {
    const std::string gone = "\t\t";
    struct Case {
        const char* name;
        std::string text;
        std::optional<int> frame;
    };
    const std::vector<std::string> body = {"HEAD", "LTOE", "RTOE"};
    const Case cases[] = {
        {"y.trc", tovtest::TrcText(body, {"0\t1700\t-20\t-100\t50\t-20\t100\t50\t-20"}), {}},
        {"z.trc", tovtest::TrcText(body, {"0\t20\t1700\t-100\t20\t50\t100\t20\t50"}), {}},
        {"late.trc",
         tovtest::TrcText(body, {gone + gone + gone + "\t\t\t", "\t\t\t1\t2\t3" + gone + "\t",
                                 "0\t0\t0\t1\t2\t3\t4\t5\t6", "1\t2\t3\t4\t5\t6\t7\t8\t9"}),
         3},
        {"never.trc", tovtest::TrcText(body, {gone + gone + gone + "\t\t\t"}), {}},
        {"from20.trc", tovtest::TrcText(body, {"1\t2\t3\t4\t5\t6" + gone + "\t"}, 20), 20},
        {"refused.trc", "PathFileType\t4\t(X/Y/Z)\tt.trc\nnot a header\n", {}},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.name, c.text);
        SurveyedTake survey = SurveyTake(path, c.frame);
        ASSERT_TRUE(survey.surveyed) << c.name;

        FileTake take;
        ReadTake(path, KindOfInput(path), c.frame, take);
        tovfileio::Standing standing;
        const bool told = tovfileio::FindStanding(path, tovfileio::FileKind::kTrc, standing).empty();
        EXPECT_EQ(Told(survey.take), Told(take)) << c.name;
        ASSERT_EQ(survey.standing.has_value(), told) << c.name;
        if (!told) continue;
        EXPECT_EQ(Told(*survey.standing), Told(standing)) << c.name;
        if (standing.emptyFrames < standing.frames) {
            FileTake atStart;
            ReadTake(path, KindOfInput(path), static_cast<int>(take.first + standing.emptyFrames), atStart);
            EXPECT_EQ(survey.unseenAtStart, atStart.unseen) << c.name;
        }
    }
    // The late take starts at its second frame, where LTOE alone is seen.
    const SurveyedTake late = SurveyTake(Path("late.trc"), 3);
    EXPECT_EQ(late.standing->emptyFrames, 1);
    EXPECT_EQ(late.unseenAtStart, (std::unordered_set<std::wstring>{L"HEAD", L"RTOE"}));

    // A file goes where its name leads, as every command and the import take
    // it: TRC text named otherwise is a TRC file, unless its name says HTR.
    for (const auto& [name, surveyed] :
         {std::pair{"take.htr", false}, {"take.txt", true}, {"take", true}}) {
        EXPECT_EQ(SurveyTake(Write(name, cases[0].text), {}).surveyed, surveyed) << name;
    }
    EXPECT_FALSE(SurveyTake(Path("missing.trc"), {}).surveyed);
}

}  // namespace
