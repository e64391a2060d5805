// What the module's file plug-ins record of each operation for the host:
// how it ended, by which message, which file it opened and what that held,
// and the options their dialogs remember. The command line decides success
// and its words from these alone.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "tests/support/PluginTestHost.h"
#include "tests/support/ScriptedDriver.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/ResourceIds.h"

namespace {

using brindle::host::Scene;
using brindle::host::ScriptedDriver;

const std::string kSamples = std::string(TOV_SOURCE_DIR) + "/samples/";

class OperationRecordTest : public tovtest::PluginTestHost {};

TEST_F(OperationRecordTest, EveryWayAnOperationEndsIsRecorded) {
    const std::string garbage = dir_.Write("garbage.trc", "not a TRC file\n").string();
    const std::string walkHtr = kSamples + "walk.htr", walkTrc = kSamples + "walk.trc";
    struct Case {
        const char* name;
        Class_ID plugin;
        std::string path;
        bool asGiven;
        ScriptedDriver driver;
        OperationEnd end;
        int reason;
        std::string file;  // the file opened, as recorded
        int openError;
        std::int64_t headerFrames;
    };
    const Case cases[] = {
        {"HTR imported", kImportHtrClassId, walkHtr, false, ScriptedDriver().Enter(),
         OperationEnd::kDone, 0, walkHtr, 0, 40},
        {"HTR dialog cancelled", kImportHtrClassId, walkHtr, false,
         ScriptedDriver().Click(IDC_CANCEL), OperationEnd::kCancelled, 0, walkHtr, 0, 40},
        // The host's naming rule, and the file it leads to missing.
        {"HTR name without its extension", kImportHtrClassId, kSamples + "walk", false,
         ScriptedDriver().Enter(), OperationEnd::kDone, 0, walkHtr, 0, 40},
        {"HTR name taken as given", kImportHtrClassId, kSamples + "walk", true,
         ScriptedDriver().Answer(IDOK), OperationEnd::kRefused, 0, kSamples + "walk", ENOENT, 0},
        {"HTR apply without a selection", kImportHtrClassId, walkHtr, false,
         ScriptedDriver().Click(IDC_HTR_APPLY).Enter().Answer(IDOK), OperationEnd::kRefused,
         IDS_SELECT_SKELETON_ROOT, walkHtr, 0, 40},
        {"TRC imported", kImportTrcClassId, walkTrc, false, ScriptedDriver().Click(IDC_TRC_CREATE).Enter(),
         OperationEnd::kDone, 0, walkTrc, 0, 40},
        // The TRC importer answers 1 whatever happens: only its record tells.
        {"TRC refused by its reader", kImportTrcClassId, garbage, false,
         ScriptedDriver().Answer(IDOK), OperationEnd::kRefused, 0, garbage, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene::Current().Clear();
        namesAsGiven_ = c.asGiven;
        ScriptedDriver driver = c.driver;
        Import(c.plugin, c.path, driver);
        const OperationReport& r = lastReport_;
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(r.file, tovtest::Wide(c.file));
        EXPECT_EQ(r.openError, c.openError);
        EXPECT_EQ(r.headerFrames, c.headerFrames);
        // The reader's words are kept exactly when it refused the file.
        EXPECT_EQ(r.fileMessage.empty(), c.end != OperationEnd::kRefused || c.reason != 0);
    }
    EXPECT_EQ(lastReport_.fileMessage, L"The file is does not have a compatible \"(X/Y/Z)\" header state");
}

// An export refused for want of a bone names the top-level nodes the
// exporter would take one from: the file's dummy over its skeleton, not a
// bone deeper down.
TEST_F(OperationRecordTest, AnExportWithoutARootNamesTheNodesThatGiveOne) {
    ScriptedDriver importing = ScriptedDriver().Enter();
    ASSERT_EQ(Import(kImportHtrClassId, kSamples + "walk.htr", importing), 1);
    AddNode(HELPER_CLASS_ID, DUMMY_CLASS_ID, L"Box");
    const std::pair<const wchar_t*, int> selections[] = {{nullptr, IDS_SELECT_ROOT_BONE},
                                                         {L"Box", IDS_SELECT_BONE_OBJECT}};
    for (const auto& [selected, reason] : selections) {
        Scene::Current().ClearSelection();
        if (selected != nullptr) Scene::Current().Select(&Node(selected));
        ScriptedDriver exporting = ScriptedDriver().Enter().Answer(IDOK);
        EXPECT_EQ(Export(kExportHtrClassId, dir_.Path().string() + "/out.htr", exporting), 0);
        EXPECT_EQ(lastReport_.end, OperationEnd::kRefused);
        EXPECT_EQ(lastReport_.reason, reason);
        EXPECT_EQ(lastReport_.rootsToSelect, std::vector<std::wstring>{L"walk"});
    }
}

// Each plug-in tells every value its dialog remembers once, with a control
// that shows it.
template <class Base>
void ExpectRememberedOptions(Base* plugin) {
    ASSERT_NE(plugin, nullptr);
    auto* operations = static_cast<PluginOperations*>(plugin->GetInterface(kPluginOperationsId));
    ASSERT_NE(operations, nullptr);
    std::set<std::wstring> names;
    for (const RememberedOption& option : operations->RememberedOptions()) {
        const std::string name = tovfileio::EncodeUtf8(option.name);
        EXPECT_TRUE(names.insert(option.name).second) << name;
        EXPECT_NE(option.onControl, 0) << name;
        EXPECT_EQ(option.value, option.defaultValue) << name;
    }
    EXPECT_GE(names.size(), 6u);
    EXPECT_NE(operations->RememberedOptionsSection().find(L"Software\\Tovelund\\TOVFileIO"),
              std::wstring::npos);
    delete plugin;
}

TEST_F(OperationRecordTest, RememberedOptionsNameTheirControls) {
    ExpectRememberedOptions(static_cast<SceneImport*>(Create(kImportHtrClassId)));
    ExpectRememberedOptions(static_cast<SceneImport*>(Create(kImportTrcClassId)));
    ExpectRememberedOptions(static_cast<SceneExport*>(Create(kExportHtrClassId)));
}

}  // namespace
