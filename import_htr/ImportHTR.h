// The module's scene importer for HTR files, as the host sees it.
#pragma once

#include <string>

#include "brindle/sdk/PluginClasses.h"
#include "htr/HTRFile.h"
#include "plugin/TovelundPlugin.h"

class ImportHTR : public TovelundPlugin<SceneImport> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund HTR Skeletal Animation File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund HTR File"; }
    int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                 BOOL suppressPrompts) override;

private:
    std::wstring path_;
    HTRFile htr_;
};
