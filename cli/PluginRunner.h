// How a command gets the module's plug-ins: the module loaded once, and its
// plug-ins created by class id as the host base class their super class
// names, owned until the command is done with them.
#pragma once

#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/sdk/ClassDesc.h"
#include "cli/CommandIO.h"
#include "cli/OwnedPlugin.h"

class PluginRunner {
public:
    // `command` names the command in messages ("import-htr").
    PluginRunner(const CommandIO& io, std::string command) : io_(io), command_(std::move(command)) {}

    // A new object of the module's class `id` (loading the module first);
    // null, with the reason on standard error, when the module has no such
    // class, when the class's objects are not `T`s, or when it could not
    // create one. The object must be gone before the runner: the module's
    // code deletes it.
    template <class T>
    OwnedPlugin<T> Create(const Class_ID& id);

    // Says "tovfileio COMMAND: WHAT" on standard error.
    void Error(const std::string& what) const;

protected:
    const CommandIO& io_;

private:
    // The descriptor of the class `id`, of the super class `superClass`
    // (`kind` names it in the reason); null, with the reason said, when
    // there is none.
    ClassDesc* FindClass(const Class_ID& id, SClass_ID superClass, const char* kind);

    std::string command_;
    std::unique_ptr<brindle::host::PluginModule> module_;
};

template <class T>
OwnedPlugin<T> PluginRunner::Create(const Class_ID& id) {
    ClassDesc* desc = FindClass(id, PluginSuperClass<T>::id, PluginSuperClass<T>::kind);
    if (desc == nullptr) return nullptr;
    // A descriptor hands its object over as the base class of its super class.
    OwnedPlugin<T> plugin(static_cast<T*>(desc->Create(FALSE)));
    if (!plugin) Error("the module could not create its plug-in");
    return plugin;
}
