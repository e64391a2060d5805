// What every file plug-in of the module tells the host alike: one file
// extension, the maker, the notice, no further messages, version 300, and
// the module's About box.
#pragma once

#include "brindle/sdk/PluginClasses.h"
#include "plugin/AboutBox.h"

template <typename HostBase>
class TovelundPlugin : public HostBase {
public:
    int ExtCount() override { return 1; }
    const wchar_t* AuthorName() override { return L"Tovelund Corporation"; }
    const wchar_t* CopyrightMessage() override { return kTovelundLegalNotice; }
    const wchar_t* OtherMessage1() override { return L""; }
    const wchar_t* OtherMessage2() override { return L""; }
    unsigned int Version() override { return 300; }
    void ShowAbout(HWND owner) override { RunAboutBox(owner); }
};
