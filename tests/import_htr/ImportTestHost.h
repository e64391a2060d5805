// The module loaded as the host loads it, an importer made through its class
// descriptor, and a fresh scene and settings store for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/host/RegistryStore.h"
#include "brindle/host/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/PluginClasses.h"
#include "tests/support/TestFiles.h"

namespace tovtest {

class ImportTestHost : public ::testing::Test {
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

    // Runs the class's import with `driver` acting in its dialog.
    int Import(const Class_ID& id, const std::string& path, brindle::host::UiDriver& driver,
               bool suppressPrompts = false) {
        SceneImport* importer = nullptr;
        for (ClassDesc* desc : module_->Classes()) {
            if (desc != nullptr && desc->ClassID() == id) {
                importer = static_cast<SceneImport*>(desc->Create(FALSE));
            }
        }
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

inline brindle::host::PluginModule* ImportTestHost::module_ = nullptr;

}  // namespace tovtest
