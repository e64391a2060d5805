#include "export_htr/ExportHTROptions.h"

ExportHTROptions::ExportHTROptions() { Open(kSettingsProduct, kSettingsHost, kSection); }

void ExportHTROptions::Load() {
    VisitStored(*this,
                [this](const wchar_t* name, auto& field, StoredControls) { Read(name, field); });
}

void ExportHTROptions::Save() const {
    VisitStored(*this, [this](const wchar_t* name, const auto& field, StoredControls) {
        Write(name, field);
    });
    Flush();
}
