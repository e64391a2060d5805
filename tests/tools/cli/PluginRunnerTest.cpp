// The module's plug-ins created by class id as the base class asked for: a
// class of another super class is refused before any object is made, and
// the command says why.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/run/PluginRunner.h"
#include "plugin/ClassIds.h"

namespace {

enum class Base { Import, Export, Utility };

// Whether the class `id` was made as `base`, and what the runner said.
std::pair<bool, std::string> CreateAs(Base base, const Class_ID& id) {
    char* data = nullptr;
    std::size_t size = 0;
    CommandIO io;
    io.err = open_memstream(&data, &size);
    bool made = false;
    {
        PluginRunner runner(io, "test");
        if (base == Base::Import) made = runner.Create<SceneImport>(id) != nullptr;
        if (base == Base::Export) made = runner.Create<SceneExport>(id) != nullptr;
        if (base == Base::Utility) made = runner.Create<UtilityObj>(id) != nullptr;
    }
    std::fclose(io.err);
    std::pair<bool, std::string> result{made, std::string(data, size)};
    std::free(data);
    return result;
}

TEST(PluginRunnerTest, CreatesAClassOnlyAsTheBaseClassOfItsSuperClass) {
    struct Case {
        const char* name;
        Class_ID id;
        Base base;
        const char* err;  // empty when made
    };
    const Case cases[] = {
        {"HTR importer", kImportHtrClassId, Base::Import, ""},
        {"TRC importer", kImportTrcClassId, Base::Import, ""},
        {"HTR exporter", kExportHtrClassId, Base::Export, ""},
        {"utility", kUtilitiesClassId, Base::Utility, ""},
        {"importer as exporter", kImportHtrClassId, Base::Export,
         "tovfileio test: the module's plug-in class is not a scene exporter\n"},
        {"exporter as importer", kExportHtrClassId, Base::Import,
         "tovfileio test: the module's plug-in class is not a scene importer\n"},
        {"utility as importer", kUtilitiesClassId, Base::Import,
         "tovfileio test: the module's plug-in class is not a scene importer\n"},
        {"importer as utility", kImportTrcClassId, Base::Utility,
         "tovfileio test: the module's plug-in class is not a utility\n"},
        {"no such class", Class_ID(1, 2), Base::Import,
         "tovfileio test: the module has no such plug-in class\n"},
    };
    for (const Case& c : cases) {
        const auto [made, err] = CreateAs(c.base, c.id);
        EXPECT_EQ(made, *c.err == '\0') << c.name;
        EXPECT_EQ(err, c.err) << c.name;
    }
}

}  // namespace
