// The module loaded as the host loads it, its importers and exporter made
// through their class descriptors, and a fresh scene and settings store for
// every test. The module is loaded afresh for every test too: its options
// live as long as it is loaded, so a test that leaves one set (the HTR
// importer's apply mode, say) would otherwise change the next test run in
// the same process. Test programs define TOV_MODULE_PATH.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/host/registry/RegistryStore.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/ui/UtilityHost.h"
#include "brindle/sdk/PluginClasses.h"
#include "tests/support/SceneNodes.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/module/PluginReports.h"

namespace tovtest {

class PluginTestHost : public ::testing::Test {
public:
    // The scene's node named `name`; throws when there is none.
    static brindle::host::SceneNode& Node(const wchar_t* name) {
        brindle::host::SceneNode* node = brindle::host::Scene::Current().FindByName(name);
        if (node == nullptr) throw std::runtime_error("no node");
        return *node;
    }
    // A new node holding a new object of class `id`, named `name`, below
    // `parent` when there is one.
    static brindle::host::SceneNode* AddNode(SClass_ID superClass, Class_ID id, const wchar_t* name,
                                             brindle::host::SceneNode* parent = nullptr) {
        return tovtest::AddNode(brindle::host::Scene::Current(), name, superClass, id, parent);
    }

protected:
    void SetUp() override {
        std::string error;
        module_ = brindle::host::PluginModule::Load(TOV_MODULE_PATH, error).release();
        ASSERT_NE(module_, nullptr) << error;
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / "registry.reg").string());
        brindle::host::Scene::Current().Clear();
        brindle::host::TakeUiProblems();
        brindle::host::ReopenHost();
    }
    void TearDown() override {
        // Every way out of an import gives the host its modes back and ends
        // the progress display.
        auto& scene = brindle::host::Scene::Current();
        EXPECT_EQ(scene.AnimateSuspensions(), 0u);
        EXPECT_EQ(scene.SetKeySuspensions(), 0u);
        EXPECT_FALSE(scene.Animate());
        EXPECT_FALSE(brindle::host::Progress().open);
        EXPECT_EQ(brindle::host::Progress().starts, brindle::host::Progress().ends);
        brindle::host::RegistryStore::Instance().UseFile("");
        delete module_;
        module_ = nullptr;
    }

    // A new object of the module's class `id`, or null.
    static void* Create(const Class_ID& id) {
        for (ClassDesc* desc : module_->Classes()) {
            if (desc != nullptr && desc->ClassID() == id) return desc->Create(FALSE);
        }
        return nullptr;
    }

    // Runs the class's export to `path`, or its import of it, with `driver`
    // acting in its dialog.
    int Export(const Class_ID& id, const std::string& path, brindle::host::UiDriver& driver,
               bool suppressPrompts = false) {
        return Run<SceneExport>(id, driver, [&](SceneExport& exporter) {
            return exporter.DoExport(Wide(path).c_str(), &brindle::host::HostExportInterface(),
                                     &brindle::host::HostInterface(), suppressPrompts, 0);
        });
    }
    int Import(const Class_ID& id, const std::string& path, brindle::host::UiDriver& driver,
               bool suppressPrompts = false) {
        return Run<SceneImport>(id, driver, [&](SceneImport& importer) {
            return importer.DoImport(Wide(path).c_str(), &brindle::host::HostImportInterface(),
                                     &brindle::host::HostInterface(), suppressPrompts);
        });
    }

    // What the plug-in of the last Export or Import recorded of it, and
    // whether it takes the next names as given.
    OperationReport lastReport_;
    bool namesAsGiven_ = false;

    ScratchDir dir_;
    static brindle::host::PluginModule* module_;

private:
    template <typename Plugin, typename Call>
    int Run(const Class_ID& id, brindle::host::UiDriver& driver, Call call) {
        auto* plugin = static_cast<Plugin*>(Create(id));
        EXPECT_NE(plugin, nullptr);
        if (plugin == nullptr) return -1;
        auto* operations = static_cast<PluginOperations*>(plugin->GetInterface(kPluginOperationsId));
        EXPECT_NE(operations, nullptr);
        if (operations != nullptr) operations->TakeNamesAsGiven(namesAsGiven_);
        brindle::host::UiDriver* previous = brindle::host::SetUiDriver(&driver);
        const int result = call(*plugin);
        brindle::host::SetUiDriver(previous);
        if (operations != nullptr) lastReport_ = operations->LastOperation();
        delete plugin;
        return result;
    }
};

inline brindle::host::PluginModule* PluginTestHost::module_ = nullptr;

}  // namespace tovtest
