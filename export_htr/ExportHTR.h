// The module's scene exporter for HTR files, as the host sees it: lets the
// user choose options in dialog 126, turns the selected bone hierarchy into
// an HTR model and writes it.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/PluginClasses.h"
#include "htr/HTRFile.h"
#include "plugin/TovelundPlugin.h"

class ExportHTR : public TovelundPlugin<SceneExport> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund HTR Skeletal Animation File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund HTR File"; }
    // 1 when the file was written or the user cancelled the dialog, 0 on
    // failure. Never throws.
    int DoExport(const wchar_t* name, ExpInterface* exporter, Interface* host,
                 BOOL suppressPrompts, DWORD options) override;

    // Fills the model from the bone hierarchy chosen by the selection; false,
    // after saying why, when there is none or its root cannot be added.
    bool BuildFromScene();

private:
    int RunExport(BOOL suppressPrompts);
    // One bone as a segment under `parent` (none for the root), added to the
    // model; the stored segment, or null when the bone is not exported (an
    // end effector, or a name the model refuses).
    HTRSegment* ExportBone(INode* node, HTRSegment* parent, bool& skipped);

    std::wstring path_;
    HTRFile htr_;
    Interface* host_ = nullptr;
    ExpInterface* exporter_ = nullptr;
    std::int32_t segmentsAdded_ = 0;
};
