// What a file plug-in tells its host of its operations (PluginOperations):
// how the last one ended, filled in as it goes, whether names are taken as
// given, and the options its dialog remembers, read through its options
// record's own list of stored values.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/module/PluginReports.h"

template <typename Options>
class OperationRecord final : public PluginOperations {
public:
    const OperationReport& LastOperation() const override { return report_; }
    void TakeNamesAsGiven(bool asGiven) override { asGiven_ = asGiven; }

    std::vector<RememberedOption> RememberedOptions() const override {
        Options stored{DetachedRecord{}};
        RegistrySettingsKey key;
        // As the dialog would load them: a value its field refuses is the default.
        if (key.OpenExisting(kSettingsProduct, kSettingsHost, Options::kSection)) {
            static_cast<void>(LoadRemembered(key, stored));
        }
        std::vector<RememberedOption> options;
        Options::VisitStored(stored, [&options](const wchar_t* name, const auto& field,
                                                StoredControls controls) {
            options.push_back({name, field, field, controls.on, controls.off});
        });
        std::size_t i = 0;
        const Options defaults{DetachedRecord{}};
        Options::VisitStored(defaults, [&](const wchar_t*, const auto& field, StoredControls) {
            options[i++].defaultValue = field;
        });
        return options;
    }

    std::wstring RememberedOptionsSection() const override {
        return RegistrySettingsKey::SectionPath(kSettingsProduct, kSettingsHost, Options::kSection);
    }

    // A new operation on the name the host gave: the record starts over.
    // Returns the file to open: the name itself when names are taken as
    // given, else what the host's naming rule `fileFor` makes of it.
    std::wstring Start(const std::wstring& name, std::wstring (*fileFor)(const std::wstring&)) {
        report_ = OperationReport{};
        report_.file = asGiven_ ? name : fileFor(name);
        return report_.file;
    }
    // What the file read holds.
    void Holds(std::int32_t frameRate, std::int64_t headerFrames, std::uint64_t framesHeld) {
        report_.fileRead = true;
        report_.frameRate = frameRate;
        report_.headerFrames = headerFrames;
        report_.framesHeld = framesHeld;
    }
    // The file's reader or writer refused it with `message`; `openError`,
    // when the file could not be opened.
    void FileRefused(std::wstring message, int openError) {
        End(OperationEnd::kRefused, 0);
        report_.fileMessage = std::move(message);
        report_.openError = openError;
    }
    void Refused(int reason) { End(OperationEnd::kRefused, reason); }
    void Cancelled() { End(OperationEnd::kCancelled, 0); }
    void Done() { End(OperationEnd::kDone, 0); }
    // The operation returned without saying how it ended: a plug-in that
    // stopped without a message (a controller that refused a key, the
    // host's cancel) ends it refused.
    void EndUnsaid(bool succeeded) {
        if (report_.end == OperationEnd::kNotRun) {
            End(succeeded ? OperationEnd::kDone : OperationEnd::kRefused, 0);
        }
    }
    void RootsToSelect(std::vector<std::wstring> roots) { report_.rootsToSelect = std::move(roots); }

private:
    void End(OperationEnd end, int reason) {
        report_.end = end;
        report_.reason = reason;
    }

    OperationReport report_;
    bool asGiven_ = false;
};
