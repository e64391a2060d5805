#include "utility/ConvertGWMSettingsStore.h"

#include <utility>

#include "tovfileio/module/ResourceIds.h"

using namespace tovfileio;

namespace {

// Calls visit(name, field, control) for every field, in the order they are
// saved, with the edit of the utility page that shows it (0: none).
template <typename Settings, typename Visit>
void VisitFields(Settings& s, Visit&& visit) {
    visit(L"MNMPath", s.MNMPath, 0);
    visit(L"InputPath", s.InputPath, 0);
    visit(L"OutputPath", s.OutputPath, 0);
    visit(L"Filter", s.Filter, 0);
    visit(L"Batch", s.Batch, 0);
    visit(L"TRCName", s.TRCName, 0);
    visit(L"TRCSpace", s.TRCSpace, 0);
    visit(L"Offset", s.Offset, 0);
    visit(L"OffsetX", s.OffsetX, IDC_OFFSET_X);
    visit(L"OffsetY", s.OffsetY, IDC_OFFSET_Y);
    visit(L"OffsetZ", s.OffsetZ, IDC_OFFSET_Z);
}

}  // namespace

std::vector<RefusedValue> LoadSettings(const RegistrySettingsKey& key,
                                       ConvertGWMSettings& settings) {
    // Reads into a record of defaults: a value that cannot be read, or that
    // its field would refuse, leaves its field, which then holds the default.
    ConvertGWMSettings loaded;
    std::vector<RefusedValue> refused;
    VisitFields(loaded, [&](const wchar_t* name, auto& field, int control) {
        const auto fallback = field;
        ReadRemembered(key, name, field, fallback, IDD_UTILITY_PAGE, control, refused);
    });
    settings = std::move(loaded);
    return refused;
}

void SaveSettings(const RegistrySettingsKey& key, const ConvertGWMSettings& settings) {
    VisitFields(settings,
                [&](const wchar_t* name, const auto& field, int) { key.Write(name, field); });
    key.Flush();
}
