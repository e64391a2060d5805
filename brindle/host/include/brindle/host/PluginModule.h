// Loading a plug-in module the way the host does: open the shared library,
// find its six entry points, check that it was built for this host, ask it
// for its description and classes; at unload, shut it down and close it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "brindle/sdk/ClassDesc.h"

namespace brindle::host {

class PluginModule {
public:
    // The loaded module, or null with `error` set: the file cannot be opened,
    // an entry point is missing, or the module was built for another host
    // version.
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);
    // Calls LibShutdown, then closes the library.
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // What the module answered at load, in the order the host asks:
    // LibVersion, LibNumberClasses, LibDescription, CanAutoDefer, then
    // LibClassDesc for every index.
    unsigned long Version() const { return version_; }
    const std::wstring& Description() const { return description_; }
    bool CanAutoDefer() const { return canAutoDefer_; }
    const std::vector<ClassDesc*>& Classes() const { return classes_; }

    // The entry points themselves, for a host that asks again.
    const wchar_t* LibDescription() const { return libDescription_(); }
    int LibNumberClasses() const { return libNumberClasses_(); }
    ClassDesc* LibClassDesc(int index) const { return libClassDesc_(index); }
    int LibShutdown() const { return libShutdown_(); }

private:
    PluginModule() = default;

    void* library_ = nullptr;
    LibDescriptionFn libDescription_ = nullptr;
    LibNumberClassesFn libNumberClasses_ = nullptr;
    LibClassDescFn libClassDesc_ = nullptr;
    LibVersionFn libVersion_ = nullptr;
    LibShutdownFn libShutdown_ = nullptr;
    CanAutoDeferFn canAutoDefer_fn_ = nullptr;

    unsigned long version_ = 0;
    std::wstring description_;
    bool canAutoDefer_ = false;
    std::vector<ClassDesc*> classes_;
};

}  // namespace brindle::host
