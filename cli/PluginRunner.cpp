#include "cli/PluginRunner.h"

#include "cli/ModuleLocation.h"

void PluginRunner::Error(const std::string& what) const {
    io_.Err("tovfileio " + command_ + ": " + what + "\n");
}

ClassDesc* PluginRunner::FindClass(const Class_ID& id, SClass_ID superClass, const char* kind) {
    if (!module_) module_ = LoadModule(io_);
    if (!module_) return nullptr;
    for (ClassDesc* desc : module_->Classes()) {
        if (desc == nullptr || !(desc->ClassID() == id)) continue;
        if (desc->SuperClassID() != superClass) {
            Error(std::string("the module's plug-in class is not ") + kind);
            return nullptr;
        }
        return desc;
    }
    Error("the module has no such plug-in class");
    return nullptr;
}
