#include "export_htr/ExportHTROptions.h"

ExportHTROptions::ExportHTROptions() { Open(kSettingsProduct, kSettingsHost, kSection); }

std::vector<RefusedValue> ExportHTROptions::Load() { return LoadRemembered(*this, *this); }

void ExportHTROptions::Save() const {
    VisitStored(*this, [this](const wchar_t* name, const auto& field, StoredControls) {
        Write(name, field);
    });
    Flush();
}
