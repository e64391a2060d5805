// How a command runs the module's plug-ins: the module loaded once, its
// plug-ins created by class id as the host base class their super class
// names, and every operation run the same way, with a driver acting in the
// user interface, ending in one record of what came of it.
#pragma once

#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "brindle/host/PluginModule.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/sdk/ClassDesc.h"
#include "cli/files/CommandIO.h"
#include "cli/run/OwnedPlugin.h"
#include "cli/run/PluginRun.h"

// Says once, as "tovfileio COMMAND: ...", what a save of the settings kept
// aside (a damaged settings file, under the name it now has).
void SaySettingsNotice(const CommandIO& io, const std::string& command);

class PluginRunner {
public:
    // `command` names the command in messages ("import-htr").
    PluginRunner(const CommandIO& io, std::string command)
        : io_(io), command_(std::move(command)) {}
    // Unloads the module, which saves its settings as it goes, and says once
    // when a save of the settings failed while it was loaded.
    ~PluginRunner();
    PluginRunner(const PluginRunner&) = delete;
    PluginRunner& operator=(const PluginRunner&) = delete;

    // A new object of the module's class `id` (loading the module first);
    // null, with the reason on standard error, when the module has no such
    // class, when the class's objects are not `T`s, or when it could not
    // create one. The object must be gone before the runner: the module's
    // code deletes it.
    template <class T>
    OwnedPlugin<T> Create(const Class_ID& id);

    // Runs `call`, an operation of a plug-in, with `driver` acting in the
    // user interface and the host's progress shown on a terminal. The record
    // holds what `call` returned (work in the module's windows has no result:
    // 0), the messages shown and how the last modal dialog ended; what the
    // user interface could not do is said on standard error, each once.
    PluginRun Run(const PluginOperation& operation, brindle::host::UiDriver& driver,
                  const std::function<int()>& call);

    // The next Run shows reading `bytes` of `file` as progress until the
    // plug-in shows its own (an importer reads its file first).
    void ShowReading(std::uint64_t bytes, std::string file) {
        reading_ = {bytes, std::move(file)};
    }

    // The module's own words for its string `id` (loading the module
    // first), as its classes give them to a host; empty when it has none.
    std::wstring ModuleText(int id);

    // Says "tovfileio COMMAND: WHAT" on standard error.
    void Error(const std::string& what) const;
    const std::string& Command() const { return command_; }

protected:
    const CommandIO& io_;

private:
    // Loads the module once; false, with the reason said, when it cannot.
    bool Load();
    // The descriptor of the class `id`, of the super class `superClass`
    // (`kind` names it in the reason); null, with the reason said, when
    // there is none.
    ClassDesc* FindClass(const Class_ID& id, SClass_ID superClass, const char* kind);

    std::string command_;
    std::unique_ptr<brindle::host::PluginModule> module_;
    std::pair<std::uint64_t, std::string> reading_;  // bytes 0: none
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
