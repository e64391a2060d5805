// The module's scene importer for HTR files, as the host sees it: reads the
// file, lets the user choose options in dialog 107, then builds a new animated
// skeleton (create mode) or puts the motion onto the selected one (apply
// mode).
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/htr/HTRFile.h"
#include "import_htr/ImportHTROptions.h"
#include "plugin/TovelundPlugin.h"

class ImportHTR : public TovelundPlugin<SceneImport, ImportHTROptions> {
public:
    const wchar_t* Ext(int n) override;
    const wchar_t* LongDesc() override { return L"Tovelund HTR Skeletal Animation File"; }
    const wchar_t* ShortDesc() override { return L"Tovelund HTR File"; }
    // 1 when the import finished or the user cancelled the dialog, 0 on
    // failure. Never throws.
    int DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                 BOOL suppressPrompts) override;

    // The bone hierarchy of `segment` and everything below it, linked under
    // `parent` (none for the root segment); the segment's node, or null when
    // a controller refused a value.
    INode* BuildSkeleton(tovfileio::HTRSegment& segment, INode* parent);
    // Keys the base position and the frames of `segment` onto `node` and of
    // its child segments onto the child bones of the same names; false when a
    // controller refused a value.
    bool ApplyMotion(INode* node, tovfileio::HTRSegment& segment);

private:
    int RunImport(BOOL suppressPrompts);
    // Apply mode: the node and segment the motion goes to, from the
    // selection; false, with the message shown, when there is none.
    bool FindApplyTarget(tovfileio::HTRSegment& root, INode*& targetNode, tovfileio::HTRSegment*& targetSegment);
    // Create mode: the skeleton under a dummy named after the file; null
    // when it could not be built or the user cancelled.
    INode* CreateSkeleton(tovfileio::HTRSegment& root, const ImportHTROptions& options);
    INode* CreateBoneNode(const tovfileio::HTRSegment& segment);
    void CreateEndEffector(INode* leaf, const std::wstring& name, double length);
    // The steps of ApplyMotion for one segment; false when refused.
    bool KeySegment(INode* node, tovfileio::HTRSegment& segment);
    void Report(int textId, int captionId) const;
    // Reports a message that ends the import, and records it.
    void Refuse(int textId, int captionId);

    std::wstring path_;
    tovfileio::HTRFile htr_;
    Interface* host_ = nullptr;
    ImpInterface* importer_ = nullptr;
    std::int32_t framesToKey_ = 0;
    std::int32_t processedSegments_ = 0;
};
