#include "import_htr/ImportHTROptions.h"

ImportHTROptions::ImportHTROptions() { key_.Open(kSettingsProduct, kSettingsHost, kSection); }

std::vector<RefusedValue> ImportHTROptions::Load() { return LoadRemembered(key_, *this); }

void ImportHTROptions::Save() const {
    VisitStored(*this,
        [this](const wchar_t* name, const auto& field, StoredControls) { key_.Write(name, field); });
    key_.Flush();
}
