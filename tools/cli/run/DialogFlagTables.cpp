// The dialog flags of import-htr, import-trc and export-htr, each table in
// the order of its command's help.
#include "cli/run/DialogFlags.h"

#include "tovfileio/module/ResourceIds.h"

namespace {

using Kind = DialogFlag::Kind;
using Mode = DialogFlag::Mode;

constexpr DialogFlag CheckBox(const char* on, const char* off, int box, const char* help,
                              Mode enabledIn = Mode::Either) {
    return {Kind::CheckBox, on, off, box, 0, help, "", enabledIn};
}

constexpr DialogFlag Radios(const char* first, const char* second, int firstButton,
                            int secondButton, const char* help, Mode enabledIn = Mode::Either) {
    return {Kind::Radios, first, second, firstButton, secondButton, help, "", enabledIn};
}

constexpr DialogFlag Field(const char* flag, int field, const char* help,
                           Mode enabledIn = Mode::Either) {
    return {Kind::Field, flag, nullptr, field, 0, help, "", enabledIn};
}

constexpr DialogFlag ApplyOrCreate(int applyButton, int createButton, const char* help) {
    return {Kind::ApplyOrCreate, "--apply", "--create", applyButton, createButton, help};
}

// The size of what an importer creates; Apply mode disables it.
constexpr DialogFlag CreatedSize(const char* help) {
    return Field("--size", IDC_SEGMENT_SIZE, help, Mode::Create);
}

// The time and scale controls the import and export dialogs share.
constexpr DialogFlag WholeOrRange(const char* whole, const char* wholeHelp, const char* rangeHelp) {
    return {.kind = Kind::WholeOrRange, .flag = whole, .other = "--range",
            .control = IDC_ALL_FRAMES, .otherControl = IDC_FRAME_RANGE, .help = wholeHelp,
            .otherHelp = rangeHelp, .from = IDC_FROM_FRAME, .to = IDC_TO_FRAME};
}

constexpr DialogFlag Offset(const char* help) {
    return Field("--offset", IDC_FRAME_OFFSET, help);
}

constexpr DialogFlag kSetFps = CheckBox("--set-fps", "--no-set-fps", IDC_SET_FRAME_RATE,
                                        "set the scene's frame rate from the file");

constexpr DialogFlag ScaleFactor(const char* help) {
    return Field("--scale-factor", IDC_GLOBAL_SCALE, help);
}

}  // namespace

const DialogFlagTable& ImportHtrFlags() {
    static const DialogFlagTable flags = {
        ApplyOrCreate(IDC_HTR_APPLY, IDC_HTR_CREATE,
                      "put the motion on the selected skeleton / build a new one"),
        CreatedSize("segment size (thickness factor of the bones)"),
        CheckBox("--end-effectors", "--no-end-effectors", IDC_END_EFFECTORS,
                 "add an end-effector bone under every leaf", Mode::Create),
        CheckBox("--key-base", "--no-key-base", IDC_BASE_POSITION, "key the base position"),
        CheckBox("--animate", "--no-animate", IDC_ANIMATION, "key the frames"),
        Radios("--tcb", "--euler", IDC_TCB, IDC_EULER, "rotation controller"),
        WholeOrRange("--all", "all frames", "the file's frames FROM to TO"),
        Offset("frames added to every key time"),
        kSetFps,
        ScaleFactor("global scale of lengths"),
    };
    return flags;
}

const DialogFlagTable& ImportTrcFlags() {
    static const DialogFlagTable flags = {
        ApplyOrCreate(IDC_TRC_APPLY, IDC_TRC_CREATE,
                      "key nodes of the markers' names in the selection / create a marker each"),
        Radios("--sphere", "--point", IDC_SPHERE, IDC_POINT, "created markers: spheres or points",
               Mode::Create),
        CheckBox("--selected-only", "--no-selected-only", IDC_SELECTED_ONLY,
                 "apply mode: skip markers without a node", Mode::Apply),
        CheckBox("--root-node", "--no-root-node", IDC_ROOT_NODE,
                 "link the markers under a \"TRCCloud\" dummy", Mode::Create),
        CreatedSize("size of created markers and of the dummy"),
        WholeOrRange("--all", "all frames", "the file's frames FROM to TO"),
        Offset("frames added to every key time"),
        kSetFps,
        ScaleFactor("global scale of positions and sizes"),
    };
    return flags;
}

const DialogFlagTable& ExportHtrFlags() {
    static const DialogFlagTable flags = {
        Radios("--saved-pose", "--current-pose", IDC_SAVED_POSE, IDC_CURRENT_POSE,
               "base position from the pose the importer stored / the current pose"),
        CheckBox("--animate", "--no-animate", IDC_EXPORT_ANIMATION, "write the frames"),
        CheckBox("--parent-transforms", "--no-parent-transforms", IDC_PARENT_TRANSFORMS,
                 "the root keeps the transforms of its scene parents"),
        WholeOrRange("--slider", "the scene's animation range", "the frames FROM to TO"),
        Offset("added to the frame numbers written"),
        ScaleFactor("global scale of lengths"),
    };
    return flags;
}
