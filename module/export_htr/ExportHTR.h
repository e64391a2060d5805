// The module's scene exporter for HTR files, as the host sees it: lets the
// user choose options in dialog 126, turns the selected bone hierarchy into
// an HTR model and writes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/math/TOVRotation.h"
#include "export_htr/ExportHTROptions.h"
#include "plugin/TovelundPlugin.h"

class ExportHTR : public TovelundPlugin<SceneExport, ExportHTROptions> {
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
    // The frames the options export, before the offset: their range, or the
    // host's animation range.
    void FramesToExport(std::int64_t& first, std::int64_t& last) const;
    // Whether the frames exported, moved by the offset, all have an HTR
    // frame number; when not, says so and records the refusal.
    bool FramesNumbered();
    // The bone the exporter takes as the root when `selected` is the first
    // node selected: the node itself when it is a bone, else its first
    // child that is one; null when neither is.
    static INode* RootOf(INode* selected);
    // Reports that the selection gives no root, and records it with the
    // top-level nodes that would give one.
    void RefuseForWantOfRoot(int textId);
    // One bone as a segment under `parent` (none for the root), added to the
    // model; the stored segment, or null when the bone is not exported (an
    // end effector, or a name the model refuses).
    tovfileio::HTRSegment* ExportBone(INode* node, tovfileio::HTRSegment* parent, bool& skipped);
    // What AddSegment of the model does, with the names taken looked up in
    // `names_` rather than in the segment list.
    tovfileio::HTRSegment* AddNewSegment(const tovfileio::HTRSegment& segment);
    // Appends frame `frameFirst_` to `frameLast_` of every stored segment,
    // a frame at a time, the segments in the order they were stored.
    void ExportFrames();

    // A stored segment whose frames are still to be taken, with its node and
    // what its frames are measured against.
    struct FrameSource {
        INode* node;
        tovfileio::HTRSegment* segment;
        tovfileio::HTRSegment* parent;  // the parent's stored segment; null for the root
        bool root;
        bool relative;
        tovfileio::TOVRotationMatrix3<double> baseInverse;
        tovfileio::TOVVector3<double> baseTranslation;
    };
    void AppendFrame(const FrameSource& source, std::uint32_t index, TimeValue t) const;

    std::wstring path_;
    tovfileio::HTRFile htr_;
    Interface* host_ = nullptr;
    ExpInterface* exporter_ = nullptr;
    std::int32_t segmentsAdded_ = 0;
    // The names of the stored segments (views of their own names).
    std::unordered_set<std::wstring_view> names_;
    std::vector<FrameSource> frameSources_;
    std::int64_t frameFirst_ = 0;
    std::int64_t frameLast_ = -1;
};
