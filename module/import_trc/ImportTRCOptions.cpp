#include "import_trc/ImportTRCOptions.h"

ImportTRCOptions::ImportTRCOptions() { Open(kSettingsProduct, kSettingsHost, kSection); }

std::vector<RefusedValue> ImportTRCOptions::Load() { return LoadRemembered(*this, *this); }

void ImportTRCOptions::Save() const {
    VisitStored(*this, [this](const wchar_t* name, const auto& field, StoredControls) {
        Write(name, field);
    });
    Flush();
}
