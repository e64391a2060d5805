#include "import_htr/ImportHTROptions.h"

ImportHTROptions::ImportHTROptions() { key_.Open(kSettingsProduct, kSettingsHost, kSection); }

void ImportHTROptions::Load() {
    VisitStored(*this,
        [this](const wchar_t* name, auto& field, StoredControls) { key_.Read(name, field); });
}

void ImportHTROptions::Save() const {
    VisitStored(*this,
        [this](const wchar_t* name, const auto& field, StoredControls) { key_.Write(name, field); });
    key_.Flush();
}
