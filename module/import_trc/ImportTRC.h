// The module's scene importer for TRC files, as the host sees it: reads the
// file, lets the user choose options in dialog 120, then gives every marker
// an animated object: a new sphere or point (create mode), or a node of the
// same name found in the selection (apply mode).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/PluginClasses.h"
#include "import_trc/ImportTRCOptions.h"
#include "plugin/TovelundPlugin.h"
#include "tovfileio/trc/TRCFile.h"

class ImportTRC : public TovelundPlugin<SceneImport, ImportTRCOptions> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund TRC Optical Marker Tracking File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund TRC File"; }
    // 1 in every case: failures are reported to the user here. Never throws.
    int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                 BOOL suppressPrompts) override;

    // Keys every marker of the file on its node; false when the build
    // stopped (a cancel, a controller that refused a value).
    bool BuildMarkerCloud();

private:
    void RunImport(BOOL suppressPrompts);
    // Reports a message that ends the import, and records it.
    void Refuse(int text);
    // The node a marker is keyed on: found in the selection in apply mode,
    // else created. Null when the marker is skipped.
    INode* MarkerNode(const std::wstring& name);
    INode* CreateMarker(const std::wstring& name);
    // Apply mode: the first node of each name among the selected nodes and
    // their children, looked through as MarkerNode finds them (each selected
    // node, then its children). Markers have distinct names, so each name is
    // looked up once, and a node found and moved under the cloud changes no
    // later lookup.
    void IndexSelection();

    std::unordered_map<std::wstring_view, INode*> selectedByName_;

    std::wstring path_;
    tovfileio::TRCFile trc_;
    Interface* host_ = nullptr;
    ImpInterface* importer_ = nullptr;
};
