// The module's scene exporter for HTR files, as the host sees it.
#pragma once

#include <string>

#include "brindle/sdk/PluginClasses.h"
#include "htr/HTRFile.h"
#include "plugin/TovelundPlugin.h"

class ExportHTR : public TovelundPlugin<SceneExport> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund HTR Skeletal Animation File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund HTR File"; }
    int DoExport(const wchar_t* name, ExpInterface* exporter, Interface* host,
                 BOOL suppressPrompts, DWORD options) override;

private:
    std::wstring path_;
    HTRFile htr_;
};
