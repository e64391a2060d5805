// The module's scene importer for TRC files, as the host sees it.
#pragma once

#include <string>

#include "brindle/sdk/PluginClasses.h"
#include "trc/TRCFile.h"

class ImportTRC : public SceneImport {
public:
    int ExtCount() override { return 1; }
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund TRC Optical Marker Tracking File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund TRC File"; }
    const wchar_t* AuthorName() override { return L"Tovelund Corporation"; }
    const wchar_t* CopyrightMessage() override;
    const wchar_t* OtherMessage1() override { return L""; }
    const wchar_t* OtherMessage2() override { return L""; }
    unsigned int Version() override { return 300; }
    void ShowAbout(HWND owner) override;
    int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                 BOOL suppressPrompts) override;

private:
    std::wstring path_;
    TRCFile trc_;
};
