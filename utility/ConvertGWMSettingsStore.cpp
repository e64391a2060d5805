#include "utility/ConvertGWMSettingsStore.h"

namespace {

// Reads one value, or puts the field back to its default.
template <typename Value, typename Read>
void LoadOrDefault(Value& field, const Value& fallback, Read read) {
    if (!read(field)) field = fallback;
}

}  // namespace

void LoadSettings(const RegistrySettingsKey& key, ConvertGWMSettings& s) {
    const ConvertGWMSettings defaults;
    LoadOrDefault(s.MNMPath, defaults.MNMPath,
                  [&](std::wstring& v) { return key.ReadString(L"MNMPath", v); });
    LoadOrDefault(s.InputPath, defaults.InputPath,
                  [&](std::wstring& v) { return key.ReadString(L"InputPath", v); });
    LoadOrDefault(s.OutputPath, defaults.OutputPath,
                  [&](std::wstring& v) { return key.ReadString(L"OutputPath", v); });
    LoadOrDefault(s.Filter, defaults.Filter, [&](bool& v) { return key.ReadBool(L"Filter", v); });
    LoadOrDefault(s.Batch, defaults.Batch, [&](bool& v) { return key.ReadBool(L"Batch", v); });
    LoadOrDefault(s.TRCName, defaults.TRCName, [&](bool& v) { return key.ReadBool(L"TRCName", v); });
    LoadOrDefault(s.TRCSpace, defaults.TRCSpace,
                  [&](bool& v) { return key.ReadBool(L"TRCSpace", v); });
    LoadOrDefault(s.Offset, defaults.Offset, [&](bool& v) { return key.ReadBool(L"Offset", v); });
    LoadOrDefault(s.OffsetX, defaults.OffsetX, [&](float& v) { return key.ReadFloat(L"OffsetX", v); });
    LoadOrDefault(s.OffsetY, defaults.OffsetY, [&](float& v) { return key.ReadFloat(L"OffsetY", v); });
    LoadOrDefault(s.OffsetZ, defaults.OffsetZ, [&](float& v) { return key.ReadFloat(L"OffsetZ", v); });
}

void SaveSettings(const RegistrySettingsKey& key, const ConvertGWMSettings& s) {
    key.WriteString(L"MNMPath", s.MNMPath);
    key.WriteString(L"InputPath", s.InputPath);
    key.WriteString(L"OutputPath", s.OutputPath);
    key.WriteBool(L"Filter", s.Filter);
    key.WriteBool(L"Batch", s.Batch);
    key.WriteBool(L"TRCName", s.TRCName);
    key.WriteBool(L"TRCSpace", s.TRCSpace);
    key.WriteBool(L"Offset", s.Offset);
    key.WriteFloat(L"OffsetX", s.OffsetX);
    key.WriteFloat(L"OffsetY", s.OffsetY);
    key.WriteFloat(L"OffsetZ", s.OffsetZ);
}
