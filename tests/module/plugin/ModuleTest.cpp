// The module as the host sees it: loaded from TOVFileIO.dlu through its six
// entry points.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include <dlfcn.h>

#include "brindle/host/HostControl.h"
#include "brindle/host/PluginModule.h"
#include "brindle/host/RegistryStore.h"
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

TEST(ModuleTest, ExportsExactlyTheSixEntryPoints) {
    std::FILE* pipe = ::popen("nm -D --defined-only '" TOV_MODULE_PATH "' 2>/dev/null", "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char name[256];
        if (std::sscanf(line, "%*s %*s %255s", name) == 1) names.insert(name);
    }
    if (::pclose(pipe) != 0 && names.empty()) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(names, (std::set<std::string>{"CanAutoDefer", "LibClassDesc", "LibDescription",
                                             "LibNumberClasses", "LibShutdown", "LibVersion"}));
}

TEST(ModuleTest, LoadsAndAnswersWithItsClasses) {
    tovtest::ScratchDir dir;
    const std::string store = (dir.Path() / "registry.reg").string();
    brindle::host::RegistryStore::Instance().UseFile(store);
    const int localeCalls = brindle::host::LanguagePackLocaleCalls();
    auto module = Load();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(brindle::host::LanguagePackLocaleCalls(), localeCalls + 1);
    // The three option records hold their sections open until unload.
    EXPECT_EQ(brindle::host::RegistryStore::Instance().OpenHandles(), 3u);
    EXPECT_EQ(module->Version(), 0x3A982800u);
    EXPECT_TRUE(module->CanAutoDefer());
    EXPECT_EQ(module->Description(), L"TOVFileIO Post-Process Motion Capture Utility (Norvik)");
    EXPECT_EQ(module->LibDescription(), module->LibDescription());  // one kept string
    // Loading opened the settings of the three option records.
    const std::string saved = tovtest::ReadBytes(store);
    for (const char* section : {"ImportHTR]", "ImportTRC]", "ExportHTR]"}) {
        EXPECT_NE(saved.find(std::string("[HKEY_CURRENT_USER\\Software\\Tovelund\\TOVFileIO\\"
                                         "Brindle\\") + section),
                  std::string::npos)
            << section;
    }

    struct Expected {
        const wchar_t* name;
        SClass_ID superClass;
        Class_ID id;
    };
    const Expected expected[] = {
        {L"ImportHTR", 0x0A10, Class_ID(0x52871D2D, 0x79755925)},
        {L"ExportHTR", 0x0A20, Class_ID(0x79A30F94, 0x5AD43C07)},
        {L"ImportTRC", 0x0A10, Class_ID(0x36712537, 0x27265B43)},
        {L"TOVUtilities", 0x1020, Class_ID(0x34CC2142, 0x1E45027A)},
    };
    ASSERT_EQ(module->Classes().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        ClassDesc2* desc = static_cast<ClassDesc2*>(module->Classes()[i]);
        ASSERT_NE(desc, nullptr);
        EXPECT_EQ(desc, module->LibClassDesc(i));  // the same descriptor every time
        EXPECT_EQ(std::wstring(desc->ClassName()), expected[i].name);
        EXPECT_EQ(std::wstring(desc->InternalName()), expected[i].name);
        EXPECT_NE(desc->ClassName(), desc->InternalName());  // two copies
        EXPECT_EQ(std::wstring(desc->Category()), L"Motion Capture");
        EXPECT_EQ(desc->SuperClassID(), expected[i].superClass);
        EXPECT_EQ(desc->ClassID(), expected[i].id);
        EXPECT_TRUE(desc->IsPublic());
        EXPECT_EQ(desc->NumParamBlockDescs(), 0);  // a default of the base class
    }
    EXPECT_EQ(module->LibClassDesc(4), nullptr);
    EXPECT_EQ(module->LibClassDesc(-1), nullptr);

    // Every request creates a new object, also for the utility.
    auto* importer = static_cast<SceneImport*>(module->Classes()[2]->Create(FALSE));
    auto* again = static_cast<SceneImport*>(module->Classes()[2]->Create(TRUE));
    ASSERT_NE(importer, nullptr);
    EXPECT_NE(importer, again);
    EXPECT_EQ(std::wstring(importer->Ext(0)), L"TRC");
    EXPECT_EQ(std::wstring(importer->LongDesc()), L"Tovelund TRC Optical Marker Tracking File");
    EXPECT_EQ(importer->Version(), 300u);
    EXPECT_EQ(importer->ZoomExtents(), -1);
    delete importer;
    delete again;
    auto* exporter = static_cast<SceneExport*>(module->Classes()[1]->Create(FALSE));
    EXPECT_EQ(std::wstring(exporter->ShortDesc()), L"Tovelund HTR File");
    EXPECT_EQ(exporter->SupportsOptions(0, 0), FALSE);
    delete exporter;
    auto* utilityA = module->Classes()[3]->Create(FALSE);
    auto* utilityB = module->Classes()[3]->Create(FALSE);
    EXPECT_NE(utilityA, utilityB);
    delete static_cast<UtilityObj*>(utilityA);
    delete static_cast<UtilityObj*>(utilityB);
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
    std::string error;
    EXPECT_EQ(PluginModule::Load("/nonexistent/TOVFileIO.dlu", error), nullptr);
    EXPECT_FALSE(error.empty());
    // A shared library without the entry points.
    EXPECT_EQ(PluginModule::Load("libm.so.6", error), nullptr);
    EXPECT_EQ(error, "not a Brindle plug-in: no entry point LibDescription");
}

}  // namespace
