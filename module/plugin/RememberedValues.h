// What an options dialog remembers, loaded as the dialog's fields take it:
// a number that the edit showing it would refuse as typed (outside its
// range, not finite, not whole where it must be) never reaches the module
// from the settings. Its field's default is used instead, and the refusal
// is kept for a note to the person. A hand-edited or damaged settings file
// can hold such a value; typing cannot.
#pragma once

#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "resources/ModuleResources.h"
#include "tovfileio/module/PluginReports.h"

// A remembered number that was not used.
struct RefusedValue {
    std::wstring name;    // its name in the settings
    double stored = 0.0;  // as remembered
    double used = 0.0;    // the default used instead
};

// Reads value `name` from `key` into `field`, as control `controlId` of
// dialog `dialogId` takes it: a value that cannot be read leaves the field;
// a number the control would refuse gives the field `fallback` and is
// added to `refused`.
template <typename Field>
void ReadRemembered(const RegistrySettingsKey& key, const wchar_t* name, Field& field,
                    const Field& fallback, int dialogId, int controlId,
                    std::vector<RefusedValue>& refused) {
    Field value = field;
    if (!key.Read(name, value)) return;
    if constexpr (std::is_arithmetic_v<Field> && !std::is_same_v<Field, bool>) {
        if (!DialogFieldTakes(dialogId, controlId, static_cast<double>(value))) {
            refused.push_back({name, static_cast<double>(value), static_cast<double>(fallback)});
            value = fallback;
        }
    }
    field = value;
}

// Reads into `record` the values it stores (Options::VisitStored) from
// `key`, as its dialog (Options::kDialog) takes them, a refused number
// giving its field the default of a fresh record; returns those refused.
template <typename Options>
std::vector<RefusedValue> LoadRemembered(const RegistrySettingsKey& key, Options& record) {
    std::vector<RememberedOption::Value> defaults;
    const Options fresh{DetachedRecord{}};
    Options::VisitStored(fresh, [&](const wchar_t*, const auto& field, StoredControls) {
        defaults.emplace_back(field);
    });
    std::vector<RefusedValue> refused;
    std::size_t i = 0;
    Options::VisitStored(record, [&](const wchar_t* name, auto& field, StoredControls controls) {
        using Field = std::decay_t<decltype(field)>;
        ReadRemembered(key, name, field, std::get<Field>(defaults[i++]), Options::kDialog,
                       controls.on, refused);
    });
    return refused;
}

// Tells the person of the values refused, if any, in one message (a
// sentence each) titled as dialog `dialogId`.
void SayRefused(const std::vector<RefusedValue>& refused, int dialogId);
