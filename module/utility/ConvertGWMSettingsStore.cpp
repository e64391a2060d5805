#include "utility/ConvertGWMSettingsStore.h"

#include <utility>

using namespace tovfileio;

namespace {

// Calls visit(name, field) for every field, in the order they are saved.
template <typename Settings, typename Visit>
void VisitFields(Settings& s, Visit&& visit) {
    visit(L"MNMPath", s.MNMPath);
    visit(L"InputPath", s.InputPath);
    visit(L"OutputPath", s.OutputPath);
    visit(L"Filter", s.Filter);
    visit(L"Batch", s.Batch);
    visit(L"TRCName", s.TRCName);
    visit(L"TRCSpace", s.TRCSpace);
    visit(L"Offset", s.Offset);
    visit(L"OffsetX", s.OffsetX);
    visit(L"OffsetY", s.OffsetY);
    visit(L"OffsetZ", s.OffsetZ);
}

}  // namespace

void LoadSettings(const RegistrySettingsKey& key, ConvertGWMSettings& settings) {
    // Reads into a record of defaults: a value that cannot be read leaves its
    // field, which then holds the default.
    ConvertGWMSettings loaded;
    VisitFields(loaded, [&](const wchar_t* name, auto& field) { key.Read(name, field); });
    settings = std::move(loaded);
}

void SaveSettings(const RegistrySettingsKey& key, const ConvertGWMSettings& settings) {
    VisitFields(settings, [&](const wchar_t* name, const auto& field) { key.Write(name, field); });
    key.Flush();
}
