// The module loaded as the host loads it, its importers and exporter made
// through their class descriptors, and a fresh scene and settings store for
// every test. Test programs define TOV_MODULE_PATH.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/host/RegistryStore.h"
#include "brindle/host/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/UtilityHost.h"
#include "brindle/sdk/PluginClasses.h"
#include "tests/support/TestFiles.h"

namespace tovtest {

class PluginTestHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        module_ = brindle::host::PluginModule::Load(TOV_MODULE_PATH, error).release();
        ASSERT_NE(module_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete module_;
        module_ = nullptr;
    }
    void SetUp() override {
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
    }

    // A new object of the module's class `id`, or null.
    static void* Create(const Class_ID& id) {
        for (ClassDesc* desc : module_->Classes()) {
            if (desc != nullptr && desc->ClassID() == id) return desc->Create(FALSE);
        }
        return nullptr;
    }

    // Runs the class's export to `path` with `driver` acting in its dialog.
    int Export(const Class_ID& id, const std::string& path, brindle::host::UiDriver& driver,
               bool suppressPrompts = false) {
        auto* exporter = static_cast<SceneExport*>(Create(id));
        EXPECT_NE(exporter, nullptr);
        if (exporter == nullptr) return -1;
        brindle::host::UiDriver* previous = brindle::host::SetUiDriver(&driver);
        const int result = exporter->DoExport(
            Wide(path).c_str(), &brindle::host::HostExportInterface(),
            &brindle::host::HostInterface(), suppressPrompts ? TRUE : FALSE, 0);
        brindle::host::SetUiDriver(previous);
        delete exporter;
        return result;
    }

    // Runs the class's import with `driver` acting in its dialog.
    int Import(const Class_ID& id, const std::string& path, brindle::host::UiDriver& driver,
               bool suppressPrompts = false) {
        auto* importer = static_cast<SceneImport*>(Create(id));
        EXPECT_NE(importer, nullptr);
        if (importer == nullptr) return -1;
        brindle::host::UiDriver* previous = brindle::host::SetUiDriver(&driver);
        const int result = importer->DoImport(
            Wide(path).c_str(), &brindle::host::HostImportInterface(),
            &brindle::host::HostInterface(), suppressPrompts ? TRUE : FALSE);
        brindle::host::SetUiDriver(previous);
        delete importer;
        return result;
    }

    ScratchDir dir_;
    static brindle::host::PluginModule* module_;
};

inline brindle::host::PluginModule* PluginTestHost::module_ = nullptr;

}  // namespace tovtest
