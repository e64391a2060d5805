#include "brindle/host/PluginModule.h"

#include <cstdio>

#include <dlfcn.h>

namespace brindle::host {
namespace {

template <typename Function>
bool FindEntry(void* library, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr) error = std::string("not a Brindle plug-in: no entry point ") + name;
    return function != nullptr;
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
    std::unique_ptr<PluginModule> module(new PluginModule());
    module->library_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->library_ == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "cannot open " + path;
        return nullptr;
    }
    PluginModule& m = *module;
    if (!FindEntry(m.library_, "LibDescription", m.libDescription_, error) ||
        !FindEntry(m.library_, "LibNumberClasses", m.libNumberClasses_, error) ||
        !FindEntry(m.library_, "LibClassDesc", m.libClassDesc_, error) ||
        !FindEntry(m.library_, "LibVersion", m.libVersion_, error) ||
        !FindEntry(m.library_, "LibShutdown", m.libShutdown_, error) ||
        !FindEntry(m.library_, "CanAutoDefer", m.canAutoDefer_fn_, error)) {
        // Not a module of ours: close it without a shutdown call.
        m.libShutdown_ = nullptr;
        return nullptr;
    }
    m.version_ = m.libVersion_();
    // A module built against another API cannot be used; the release and
    // the SDK revision do not matter.
    if (((m.version_ >> 8) & 0xFF) != BRINDLE_API_NUM) {
        char text[96];
        std::snprintf(text, sizeof text, "plug-in built for another host version (0x%08lX)",
                      m.version_);
        error = text;
        m.libShutdown_ = nullptr;
        return nullptr;
    }
    const int count = m.libNumberClasses_();
    const wchar_t* description = m.libDescription_();
    m.description_ = description != nullptr ? description : L"";
    m.canAutoDefer_ = m.canAutoDefer_fn_() != 0;
    for (int i = 0; i < count; ++i) m.classes_.push_back(m.libClassDesc_(i));
    return module;
}

PluginModule::~PluginModule() {
    if (library_ == nullptr) return;
    if (libShutdown_ != nullptr) libShutdown_();
    ::dlclose(library_);
}

}  // namespace brindle::host
