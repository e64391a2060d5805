// What every file plug-in of the module tells the host alike: one file
// extension, the maker, the notice, no further messages, version 300, the
// module's About box, and the record of its operations (PluginOperations),
// which `Options` says the remembered options of.
#pragma once

#include "brindle/sdk/PluginClasses.h"
#include "plugin/AboutBox.h"
#include "plugin/OperationRecord.h"

template <typename HostBase, typename Options>
class TovelundPlugin : public HostBase {
public:
    int ExtCount() override { return 1; }
    const wchar_t* AuthorName() override { return L"Tovelund Corporation"; }
    const wchar_t* CopyrightMessage() override { return kTovelundLegalNotice; }
    const wchar_t* OtherMessage1() override { return L""; }
    const wchar_t* OtherMessage2() override { return L""; }
    unsigned int Version() override { return 300; }
    void ShowAbout(HWND owner) override { RunAboutBox(owner); }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == kPluginOperationsId ? &record_ : nullptr;
    }

protected:
    OperationRecord<Options> record_;
};
