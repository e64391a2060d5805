#include "cli/run/RememberedOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <variant>

#include "tovfileio/text/TextCodec.h"
#include "cli/report/SafeText.h"
#include "export_htr/ExportHTROptions.h"
#include "import_htr/ImportHTROptions.h"
#include "import_trc/ImportTRCOptions.h"

namespace {

using StoredValue = std::variant<bool, std::int32_t, float, double, std::wstring>;

struct StoredField {
    std::wstring name;
    StoredValue value;
};

// A record's stored fields: its defaults, or with `stored` what the settings
// hold, read into the defaults as the record's Load reads them.
template <class Record>
std::vector<StoredField> ReadRecord(bool stored) {
    Record record{DetachedRecord{}};
    RegistrySettingsKey key;
    if (stored && key.OpenExisting(kSettingsProduct, kSettingsHost, Record::kSection)) {
        Record::VisitStored(record,
                            [&key](const wchar_t* name, auto& field) { key.Read(name, field); });
    }
    std::vector<StoredField> fields;
    Record::VisitStored(record, [&fields](const wchar_t* name, const auto& field) {
        fields.push_back({name, StoredValue(field)});
    });
    return fields;
}

// How a command's line sets one stored value: a choice of two flags (`on`
// for true or not zero, `off` for false or zero), or one flag followed by
// the value (`off` null).
struct FlagOf {
    const wchar_t* value;
    const char* on;
    const char* off;
};

struct RememberingCommand {
    std::string name;
    const wchar_t* section;
    std::vector<StoredField> (*read)(bool stored);
    std::vector<FlagOf> flags;
};

const std::vector<RememberingCommand>& Commands() {
    static const std::vector<RememberingCommand> commands = {
        {"import-htr", ImportHTROptions::kSection, ReadRecord<ImportHTROptions>,
         {{L"Apply", "--apply", "--create"},
          {L"Animate", "--animate", "--no-animate"},
          {L"KeyBasePosition", "--key-base", "--no-key-base"},
          {L"EndEffectors", "--end-effectors", "--no-end-effectors"},
          {L"Range", "--range", "--all"},
          {L"FPS", "--set-fps", "--no-set-fps"},
          {L"RotationController", "--tcb", "--euler"},
          {L"Size", "--size", nullptr},
          {L"ScaleFactor", "--scale-factor", nullptr}}},
        {"import-trc", ImportTRCOptions::kSection, ReadRecord<ImportTRCOptions>,
         {{L"Apply", "--apply", "--create"},
          {L"Geometry", "--sphere", "--point"},
          {L"SelectedOnly", "--selected-only", "--no-selected-only"},
          {L"RootNode", "--root-node", "--no-root-node"},
          {L"Range", "--range", "--all"},
          {L"FPS", "--set-fps", "--no-set-fps"},
          {L"Size", "--size", nullptr},
          {L"ScaleFactor", "--scale-factor", nullptr}}},
        {"export-htr", ExportHTROptions::kSection, ReadRecord<ExportHTROptions>,
         {{L"Pose", "--saved-pose", "--current-pose"},
          {L"Animate", "--animate", "--no-animate"},
          {L"ParentTransforms", "--parent-transforms", "--no-parent-transforms"},
          {L"Range", "--range", "--slider"},
          {L"Offset", "--offset", nullptr},
          {L"ScaleFactor", "--scale-factor", nullptr}}},
    };
    return commands;
}

const RememberingCommand* Find(const std::string& command) {
    for (const RememberingCommand& c : Commands()) {
        if (c.name == command) return &c;
    }
    return nullptr;
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

// The flags that set `field` to its stored value; a value the command line
// has no flag for is named as the settings name it.
RememberedFlag FlagsOf(const RememberingCommand& command, const StoredField& field) {
    for (const FlagOf& flag : command.flags) {
        if (field.name != flag.value) continue;
        if (flag.off == nullptr) return {{flag.on, ValueText(field.value)}, {flag.on}};
        return {{IsOn(field.value) ? flag.on : flag.off}, {flag.on, flag.off}};
    }
    return {{EscapedName(field.name) + "=" + ValueText(field.value)}, {}};
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

std::wstring RememberedSection(const std::string& command) {
    const RememberingCommand* found = Find(command);
    if (found == nullptr) return std::wstring();
    return RegistrySettingsKey::SectionPath(kSettingsProduct, kSettingsHost, found->section);
}

std::vector<RememberedFlag> RememberedFlags(const std::string& command) {
    const RememberingCommand* found = Find(command);
    if (found == nullptr) return {};
    const std::vector<StoredField> defaults = found->read(false);
    const std::vector<StoredField> stored = found->read(true);
    std::vector<RememberedFlag> remembered;
    for (std::size_t i = 0; i < stored.size() && i < defaults.size(); ++i) {
        // A NaN stored is never the default: it is said too.
        if (stored[i].value == defaults[i].value) continue;
        remembered.push_back(FlagsOf(*found, stored[i]));
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

void SayRememberedWhenDialogOpens(CommandLineDriver& driver, const CLI::App& parsed,
                                  const CommandIO& io) {
    auto said = std::make_shared<bool>(false);
    driver.OnDialogOpened([said, &parsed, &io](const brindle::host::DialogView&) {
        if (*said) return;
        *said = true;
        const std::string command = parsed.get_name();
        std::vector<RememberedFlag> remembered = RememberedFlags(command);
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
    });
}
