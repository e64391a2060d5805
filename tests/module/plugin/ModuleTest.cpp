// The module as the host sees it: loaded from TOVFileIO.dlu through its six
// entry points. The host refuses a library that lacks one (the last test),
// so every test that loads the module checks they are there.
#include <gtest/gtest.h>

#include <string>

#include <dlfcn.h>

#include "HostControl.h"
#include "brindle/host/PluginModule.h"
#include "brindle/host/registry/RegistryStore.h"
#include "brindle/sdk/PluginClasses.h"
#include "tests/support/TestFiles.h"

using brindle::host::PluginModule;

namespace {

std::unique_ptr<PluginModule> Load() {
    std::string error;
    auto module = PluginModule::Load(TOV_MODULE_PATH, error);
    EXPECT_NE(module, nullptr) << error;
    return module;
}

// What the module's texts and class ids say is read where they are used
// (the importers and exporter are made by their ids in every module test);
// here, what loading and unloading do with the host.
TEST(ModuleTest, LoadsAndAnswersWithItsClasses) {
    tovtest::ScratchDir dir;
    brindle::host::RegistryStore::Instance().UseFile((dir.Path() / "registry.reg").string());
    auto module = Load();
    ASSERT_NE(module, nullptr);
    // The three option records hold their sections open until unload.
    EXPECT_EQ(brindle::host::RegistryStore::Instance().OpenHandles(), 3u);
    ASSERT_EQ(module->Classes().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(module->Classes()[i], module->LibClassDesc(i));  // the same descriptor every time
        // Every request creates a new object, also for the utility.
        void* a = module->Classes()[i]->Create(FALSE);
        void* b = module->Classes()[i]->Create(TRUE);
        ASSERT_NE(a, nullptr);
        EXPECT_NE(a, b);
        for (void* object : {a, b}) {
            switch (module->Classes()[i]->SuperClassID()) {
                case SCENE_IMPORT_CLASS_ID: delete static_cast<SceneImport*>(object); break;
                case SCENE_EXPORT_CLASS_ID: delete static_cast<SceneExport*>(object); break;
                default: delete static_cast<UtilityObj*>(object); break;
            }
        }
    }
    EXPECT_EQ(module->LibClassDesc(4), nullptr);
    EXPECT_EQ(module->LibClassDesc(-1), nullptr);
    module.reset();
    EXPECT_EQ(brindle::host::RegistryStore::Instance().OpenHandles(), 0u);
    brindle::host::RegistryStore::Instance().UseFile("");
}

TEST(ModuleTest, DescriptorsComeAndGoWithTheHostHeap) {
    auto module = Load();
    ASSERT_NE(module, nullptr);
    const long withDescriptors = brindle::host::LiveHeapBlocks();
    EXPECT_EQ(module->LibShutdown(), TRUE);
    EXPECT_EQ(brindle::host::LiveHeapBlocks(), withDescriptors - 4);
    EXPECT_EQ(module->LibShutdown(), TRUE);  // nothing left to destroy
    EXPECT_EQ(brindle::host::LiveHeapBlocks(), withDescriptors - 4);

    // A heap that cannot supply a descriptor or an object yields none; the
    // next request tries again.
    brindle::host::FailNextHeapAllocations(1);
    EXPECT_EQ(module->LibClassDesc(3), nullptr);
    ClassDesc* utilities = module->LibClassDesc(3);
    ASSERT_NE(utilities, nullptr);
    EXPECT_EQ(module->LibClassDesc(3), utilities);
    brindle::host::FailNextHeapAllocations(1);
    EXPECT_EQ(utilities->Create(FALSE), nullptr);
    brindle::host::FailNextHeapAllocations(0);
}

TEST(ModuleTest, ShutdownBeforeAnyDescriptorDestroysNothing) {
    void* library = ::dlopen(TOV_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto shutdown = reinterpret_cast<LibShutdownFn>(::dlsym(library, "LibShutdown"));
    ASSERT_NE(shutdown, nullptr);
    const long blocks = brindle::host::LiveHeapBlocks();
    EXPECT_EQ(shutdown(), TRUE);
    EXPECT_EQ(brindle::host::LiveHeapBlocks(), blocks);
    ::dlclose(library);
}

TEST(ModuleTest, RefusesWhatIsNotAModuleForThisHost) {
    // A missing file is
    // CommandLineTest.PluginsListsTheModulesClassesAndAboutShowsItsBox's; a
    // shared library without the entry points is not taken for a module.
    std::string error;
    EXPECT_EQ(PluginModule::Load("libm.so.6", error), nullptr);
    EXPECT_EQ(error, "not a Brindle plug-in: no entry point LibDescription");
}

}  // namespace
