#include "import_trc/ImportTRCOptions.h"

ImportTRCOptions::ImportTRCOptions() { Open(kSettingsProduct, kSettingsHost, kSection); }

void ImportTRCOptions::Load() {
    VisitStored(*this,
                [this](const wchar_t* name, auto& field, StoredControls) { Read(name, field); });
}

void ImportTRCOptions::Save() const {
    VisitStored(*this, [this](const wchar_t* name, const auto& field, StoredControls) {
        Write(name, field);
    });
    Flush();
}
