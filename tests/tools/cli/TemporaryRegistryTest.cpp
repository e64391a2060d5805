// The registry kept in memory while a command imports into a fresh scene:
// the store a command found is the store it leaves, however it ends, and a
// person's store file is neither used nor changed.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "brindle/host/RegistryStore.h"
#include "cli/run/TemporaryRegistry.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

namespace {

using brindle::host::RegistryStore;

bool Holds(const wchar_t* name) {
    return RegistryStore::Instance().CurrentUser().values.count(name) > 0;
}

// A store holding "Before", kept in `file` (empty: in memory); its bytes.
std::string StoreWithValue(const std::string& file) {
    RegistryStore& store = RegistryStore::Instance();
    store.UseFile(file);
    store.CurrentUser().values[L"Before"] = {REG_DWORD, {1, 0, 0, 0}};
    return file.empty() || !store.Save() ? "" : tovtest::ReadBytes(file);
}

enum class Exit { Normal, Return, Throw };

// Sets "Inside" while the guard holds the store, then leaves as `exit` says.
int SetUnderGuard(Exit exit, bool fromFile) {
    const TemporaryRegistry guard;
    EXPECT_EQ(RegistryStore::Instance().FilePath(), "");
    // A store switched from its file starts empty; one in memory is kept.
    EXPECT_EQ(Holds(L"Before"), !fromFile);
    RegistryStore::Instance().CurrentUser().values[L"Inside"] = {REG_DWORD, {2, 0, 0, 0}};
    RegistryStore::Instance().MarkChanged();
    if (exit == Exit::Return) return 1;
    if (exit == Exit::Throw) throw std::runtime_error("the body failed");
    return 0;
}

TEST(TemporaryRegistryTest, TheStoreFoundIsTheStoreLeftHoweverTheBodyEnds) {
    tovtest::ScratchDir dir;
    const std::string file = (dir.Path() / "registry.reg").string();
    struct Case {
        const char* name;
        bool fromFile;
        Exit exit;
    };
    const Case cases[] = {
        {"file, normal end", true, Exit::Normal},
        {"file, early return", true, Exit::Return},
        {"file, exception", true, Exit::Throw},
        {"memory, exception", false, Exit::Throw},
    };
    for (const Case& c : cases) {
        const std::string saved = StoreWithValue(c.fromFile ? file : "");
        try {
            SetUnderGuard(c.exit, c.fromFile);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(RegistryStore::Instance().FilePath(), c.fromFile ? file : "") << c.name;
        EXPECT_TRUE(Holds(L"Before")) << c.name;
        EXPECT_EQ(Holds(L"Inside"), !c.fromFile) << c.name;
        EXPECT_EQ(c.fromFile ? tovtest::ReadBytes(file) : "", saved) << c.name;
        RegistryStore::Instance().UseFile("");
    }
}

// The import dialogs save their options; none of them reaches the person's
// store, which is the store again when the command ends.
TEST(TemporaryRegistryTest, CommandsImportingIntoAFreshSceneLeaveThePersonsStoreAsFound) {
    tovtest::ScratchDir dir;
    const std::string file = (dir.Path() / "registry.reg").string();
    const std::string htr = TOV_SOURCE_DIR "/samples/walk.htr";
    const Arguments commands[] = {
        {"roundtrip", htr, (dir.Path() / "o.htr").string()},
        {"convert", htr, (dir.Path() / "o.glb").string()},
        {"preview", TOV_SOURCE_DIR "/samples/walk.trc", "-o", (dir.Path() / "p.svg").string()},
    };
    for (const Arguments& args : commands) {
        const std::string saved = StoreWithValue(file);
        const auto run = tovtest::RunCommand(args);
        EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
        EXPECT_EQ(RegistryStore::Instance().FilePath(), file) << args[0];
        EXPECT_EQ(tovtest::ReadBytes(file), saved) << args[0];
    }
    RegistryStore::Instance().UseFile("");
}

}  // namespace
