#include "cli/run/PluginRunner.h"

#include <algorithm>
#include <cstring>

#include "brindle/host/registry/RegistryStore.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/files/InterruptCleanup.h"
#include "cli/run/CommandLineDriver.h"
#include "cli/run/HostProgress.h"
#include "cli/run/LockWait.h"
#include "cli/run/ModuleLocation.h"
#include "cli/report/SafeText.h"

void SaySettingsNotice(const CommandIO& io, const std::string& command) {
    const std::string notice = brindle::host::RegistryStore::Instance().TakeNotice();
    if (!notice.empty()) io.Err("tovfileio " + command + ": " + notice + "\n");
}

PluginRunner::~PluginRunner() {
    if (!module_) return;  // nothing ran that keeps settings
    module_.reset();
    auto& store = brindle::host::RegistryStore::Instance();
    store.SaveIfChanged();
    SaySettingsNotice(io_, command_);
    const std::string error = store.TakeSaveError();
    if (!error.empty()) Error("the settings were not saved: " + error);
}

void PluginRunner::Error(const std::string& what) const {
    io_.Err("tovfileio " + command_ + ": " + what + "\n");
}

std::wstring PluginRunner::ModuleText(int id) {
    if (!Load()) return std::wstring();
    for (ClassDesc* desc : module_->Classes()) {
        if (desc == nullptr) continue;
        if (const wchar_t* text = desc->GetRsrcString(id)) return text;
    }
    return std::wstring();
}

bool PluginRunner::Load() {
    if (!module_) {
        // The module saves its settings while it is loaded; a save waits
        // for another run's as a scene does (a wrong setting is said by
        // the scene commands, and leaves the settings at one minute).
        auto& store = brindle::host::RegistryStore::Instance();
        std::string ignored;
        if (const auto wait = LockWait(ignored)) store.SetLockWait(*wait);
        // A signal during a save removes the lock file, as it does a scene's.
        store.SetLockListener([slot = -1](const std::string& lockFile) mutable {
            UnregisterFromCleanup(slot);
            slot = lockFile.empty() ? -1 : RegisterForCleanup(lockFile);
        });
        module_ = LoadModule(io_);
    }
    return module_ != nullptr;
}

ClassDesc* PluginRunner::FindClass(const Class_ID& id, SClass_ID superClass, const char* kind) {
    if (!Load()) return nullptr;
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

PluginRun PluginRunner::Run(const PluginOperation& operation, brindle::host::UiDriver& driver,
                            const std::function<int()>& call) {
    PluginRun run;
    run.kind = operation.kind;
    TextFile::TakeWriteFailures();
    {
        InstalledDriver installed(driver);
        HostProgressBar progress(io_.err);
        if (reading_.first > 0) {
            progress.ShowUntilStarted(reading_.first, ProcessBytesRead, "reading " + reading_.second);
            reading_ = {};
        }
        run.result = call();
    }
    if (operation.record != nullptr) {
        run.recorded = true;
        run.report = *operation.record;
    }
    // Input that ends during a pick ends every pick that follows: one line each.
    for (const std::wstring& problem : brindle::host::TakeUiProblems()) {
        std::string text = Escaped(tovfileio::EncodeUtf8(problem));
        if (std::find(run.uiProblems.begin(), run.uiProblems.end(), text) !=
            run.uiProblems.end()) {
            continue;
        }
        Error(text);
        run.uiProblems.push_back(std::move(text));
    }
    SaySettingsNotice(io_, command_);
    run.writeFailures = TextFile::TakeWriteFailures();
    for (const TextFile::WriteFailure& failure : run.writeFailures) {
        Error(failure.path + ": the file could not be written completely (" +
              std::strerror(failure.error) + "); an older file of that name stays as it was");
    }
    return run;
}
