#include "cli/run/RememberedOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <variant>

#include "tovfileio/text/TextCodec.h"
#include "cli/report/SafeText.h"
#include "cli/run/DialogFlags.h"
#include "tovfileio/module/ClassIds.h"

namespace {

using StoredValue = RememberedOption::Value;

struct RememberingCommand {
    std::string name;
    Class_ID plugin;
    bool exporter;
    const DialogFlagTable* flags;
};

const std::vector<RememberingCommand>& Commands() {
    static const std::vector<RememberingCommand> commands = {
        {"import-htr", kImportHtrClassId, false, &ImportHtrFlags()},
        {"import-trc", kImportTrcClassId, false, &ImportTrcFlags()},
        {"export-htr", kExportHtrClassId, true, &ExportHtrFlags()},
    };
    return commands;
}

const RememberingCommand* Find(const std::string& command) {
    for (const RememberingCommand& c : Commands()) {
        if (c.name == command) return &c;
    }
    return nullptr;
}

// The flags of `flags` that set `control`: a check box's flag and the one
// that clears it; a radio button's or a field's flag alone; none when no
// flag sets it.
struct ControlFlags {
    const char* sets = nullptr;
    const char* clears = nullptr;
};

ControlFlags FlagsSetting(const DialogFlagTable& flags, int control) {
    for (const DialogFlag& row : flags) {
        const bool checkBox = row.kind == DialogFlag::Kind::CheckBox;
        if (row.control == control) return {row.flag, checkBox ? row.other : nullptr};
        if (!checkBox && row.otherControl == control) return {row.other};
    }
    return {};
}

// The shortest text that reads back as the same number.
template <typename Number>
std::string NumberText(Number value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string ValueText(const StoredValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::wstring>) {
                return Escaped(tovfileio::EncodeUtf8(v));
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? "1" : "0";
            } else {
                return NumberText(v);
            }
        },
        value);
}

bool IsOn(const StoredValue& value) {
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::wstring>) {
                return !v.empty();
            } else {
                return v != T{};
            }
        },
        value);
}

// The flags that set `option` to its value: the flag of the radio button
// it chooses, the check box's flag or its negation, or an edit's flag with
// the value. A value whose control the command has no flag for is named as
// the settings name it.
RememberedFlag FlagsOf(const RememberingCommand& command, const RememberedOption& option) {
    const DialogFlagTable& flags = *command.flags;
    const ControlFlags on = FlagsSetting(flags, option.onControl);
    const ControlFlags off =
        option.offControl != 0 ? FlagsSetting(flags, option.offControl) : ControlFlags{};
    const bool isOn = IsOn(option.value);
    if (on.sets != nullptr && off.sets != nullptr) {
        return {{isOn ? on.sets : off.sets}, {on.sets, off.sets}};
    }
    if (on.clears != nullptr) return {{isOn ? on.sets : on.clears}, {on.sets, on.clears}};
    if (on.sets != nullptr && option.offControl == 0) {
        return {{on.sets, ValueText(option.value)}, {on.sets}};
    }
    return {{EscapedName(option.name) + "=" + ValueText(option.value)}, {}};
}

}  // namespace

const std::vector<std::string>& RememberingCommands() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const RememberingCommand& c : Commands()) list.push_back(c.name);
        return list;
    }();
    return names;
}

Class_ID RememberingPlugin(const std::string& command, bool& exporter) {
    const RememberingCommand* found = Find(command);
    exporter = found != nullptr && found->exporter;
    return found != nullptr ? found->plugin : Class_ID();
}

std::vector<RememberedFlag> RememberedFlags(const std::string& command,
                                            const PluginOperations& operations) {
    const RememberingCommand* found = Find(command);
    if (found == nullptr) return {};
    std::vector<RememberedFlag> remembered;
    for (const RememberedOption& option : operations.RememberedOptions()) {
        // A NaN stored is never the default: it is said too.
        if (option.value == option.defaultValue) continue;
        remembered.push_back(FlagsOf(*found, option));
    }
    return remembered;
}

std::string RememberedHelp(const std::string& command) {
    return "The dialog remembers what OK accepted in the settings file,\n"
           "$BRINDLE_REGISTRY_FILE, else brindle/registry.reg in $XDG_CONFIG_HOME or\n"
           "~/.config, and the next run's dialog starts from it: an option not given\n"
           "keeps its remembered value, and the run names on standard error the\n"
           "remembered values it kept that differ from the defaults. 'tovfileio\n"
           "options " + command + "' shows them; 'tovfileio options --reset " + command + "'\n"
           "forgets them.";
}

std::string FlagsText(const std::vector<RememberedFlag>& remembered) {
    std::string text;
    for (const RememberedFlag& flag : remembered) {
        for (const std::string& arg : flag.args) text += (text.empty() ? "" : " ") + arg;
    }
    return text;
}

std::shared_ptr<const std::vector<RememberedFlag>> SayRememberedWhenDialogOpens(
    CommandLineDriver& driver, const CLI::App& parsed, const PluginOperations* operations,
    const CommandIO& io) {
    auto inPlay = std::make_shared<std::vector<RememberedFlag>>();
    if (operations == nullptr) return inPlay;
    auto said = std::make_shared<bool>(false);
    driver.OnDialogOpened([said, inPlay, &parsed, operations, &io](const brindle::host::DialogView&) {
        if (*said) return;
        *said = true;
        const std::string command = parsed.get_name();
        std::vector<RememberedFlag> remembered = RememberedFlags(command, *operations);
        auto given = [&parsed](const std::string& name) {
            const CLI::Option* option = parsed.get_option_no_throw(name);
            return option != nullptr && option->count() > 0;
        };
        std::erase_if(remembered, [&given](const RememberedFlag& flag) {
            return std::any_of(flag.flags.begin(), flag.flags.end(), given);
        });
        if (remembered.empty()) return;
        io.Err("tovfileio " + command + ": remembered from an earlier run: " +
               FlagsText(remembered) + " (tovfileio options --reset " + command +
               " forgets them)\n");
        *inPlay = std::move(remembered);
    });
    return inPlay;
}

std::string RememberedInPlay(const std::string& command,
                             const std::vector<RememberedFlag>& remembered) {
    // The choices between ways of running (--create or --apply, --all or
    // --range, ...) are what turn a run another way than its line reads;
    // a remembered check box or value only shades it.
    std::vector<RememberedFlag> choices;
    for (const RememberedFlag& flag : remembered) {
        const bool choice = flag.flags.size() == 2 &&
                            std::none_of(flag.flags.begin(), flag.flags.end(), [](const std::string& f) {
                                return f.rfind("--no-", 0) == 0;
                            });
        if (choice) choices.push_back(flag);
    }
    if (choices.empty()) return std::string();
    return "tovfileio " + command + ": the remembered " + FlagsText(choices) +
           " took part in this run (not given on its line): give the options you mean, or "
           "forget them with tovfileio options --reset " + command + "\n";
}
