// The module's scene importer for TRC files, as the host sees it.
#pragma once

#include <string>

#include "brindle/sdk/PluginClasses.h"
#include "plugin/TovelundPlugin.h"
#include "trc/TRCFile.h"

class ImportTRC : public TovelundPlugin<SceneImport> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund TRC Optical Marker Tracking File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund TRC File"; }
    int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                 BOOL suppressPrompts) override;

private:
    std::wstring path_;
    TRCFile trc_;
};
