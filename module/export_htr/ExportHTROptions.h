// The HTR exporter's options: one record for the whole module, kept between
// exports and stored in the "ExportHTR" section of the settings.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/module/ResourceIds.h"

class ExportHTROptions : public RegistrySettingsKey {
public:
    // The section of the settings the record is kept in.
    static constexpr const wchar_t* kSection = L"ExportHTR";
    // The dialog that shows the values.
    static constexpr int kDialog = IDD_EXPORT_HTR;

    // Opens the settings section; the fields start at their defaults.
    ExportHTROptions();
    // The defaults, with no section opened or created.
    explicit ExportHTROptions(DetachedRecord) {}

    // Reads the stored values; one that cannot be read leaves its field,
    // and a number its dialog's field would refuse gives the field its
    // default: those are returned, for a note.
    std::vector<RefusedValue> Load();
    // Writes the stored values; failures are ignored.
    void Save() const;

    bool savedPose = true;  // false: the current pose
    bool animate = true;
    bool parentTransforms = true;
    bool range = false;  // false: the host's animation range
    std::int32_t startFrame = 1;  // not stored
    std::int32_t endFrame = 1;    // not stored
    std::int32_t offset = 0;
    double scaleFactor = 1.0;

    // Calls visit(name, field, controls) for every stored field, in registry
    // order, with the dialog control that shows it: Load, Save and what the
    // plug-in tells a host of its remembered options all walk this one list.
    template <typename Self, typename Visit>
    static void VisitStored(Self& self, Visit&& visit) {
        visit(L"Pose", self.savedPose, StoredControls{IDC_SAVED_POSE, IDC_CURRENT_POSE});
        visit(L"Animate", self.animate, StoredControls{IDC_EXPORT_ANIMATION});
        visit(L"ParentTransforms", self.parentTransforms, StoredControls{IDC_PARENT_TRANSFORMS});
        visit(L"Range", self.range, StoredControls{IDC_FRAME_RANGE, IDC_ALL_FRAMES});
        visit(L"Offset", self.offset, StoredControls{IDC_FRAME_OFFSET});
        visit(L"ScaleFactor", self.scaleFactor, StoredControls{IDC_GLOBAL_SCALE});
    }

    // The module's record, alive from load to unload.
    static ExportHTROptions& Module();
};
