// A plug-in object of the module as the command line holds it: typed as
// the host base class its super class names, and deleted as the host
// deletes plug-in objects.
#pragma once

#include <memory>
#include <type_traits>

#include "brindle/sdk/ClassDesc.h"
#include "brindle/sdk/PluginClasses.h"

// The super class whose descriptors create objects of the base class `T`:
// a descriptor's Create returns its object as that base, so only a class of
// the matching super class may be used as a `T`.
template <class T>
struct PluginSuperClass;
template <>
struct PluginSuperClass<SceneImport> {
    static constexpr SClass_ID id = SCENE_IMPORT_CLASS_ID;
    static constexpr const char* kind = "a scene importer";
};
template <>
struct PluginSuperClass<SceneExport> {
    static constexpr SClass_ID id = SCENE_EXPORT_CLASS_ID;
    static constexpr const char* kind = "a scene exporter";
};
template <>
struct PluginSuperClass<UtilityObj> {
    static constexpr SClass_ID id = UTILITY_CLASS_ID;
    static constexpr const char* kind = "a utility";
};

// Deletes through the base class: its virtual destructor runs the module's
// own, and its operator delete gives the memory back to the host's heap.
// The module's code must still be loaded.
struct PluginDeleter {
    template <class T>
    void operator()(T* plugin) const {
        static_assert(std::has_virtual_destructor_v<T>, "a plug-in base class");
        delete plugin;
    }
};

template <class T>
using OwnedPlugin = std::unique_ptr<T, PluginDeleter>;
