// The HTR importer's options: one record for the whole module, kept between
// imports and stored in the "ImportHTR" section of the settings.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/module/ResourceIds.h"

class ImportHTROptions {
public:
    // The section of the settings the record is kept in.
    static constexpr const wchar_t* kSection = L"ImportHTR";
    // The dialog that shows the values.
    static constexpr int kDialog = IDD_IMPORT_HTR;

    // Opens the settings section; the fields start at their defaults.
    ImportHTROptions();
    // The defaults, with no section opened or created.
    explicit ImportHTROptions(DetachedRecord) {}

    // Reads the stored values; one that cannot be read leaves its field,
    // and a number its dialog's field would refuse gives the field its
    // default: those are returned, for a note.
    std::vector<RefusedValue> Load();
    // Writes the stored values; failures are ignored.
    void Save() const;

    const RegistrySettingsKey& Key() const { return key_; }

    bool apply = false;  // false: create a skeleton; true: apply to the selection
    bool animate = true;
    bool endEffectors = false;
    bool keyBasePosition = false;
    bool range = false;  // false: all frames; true: startFrame to endFrame
    bool setFrameRate = false;
    std::int32_t startFrame = 1;  // not stored
    std::int32_t endFrame = 1;    // not stored
    std::int32_t offset = 0;      // not stored
    std::int32_t rotationController = 0;  // 0 Euler, 1 TCB
    float size = 1.0f;
    double scaleFactor = 1.0;

    // Calls visit(name, field, controls) for every stored field, in registry
    // order, with the dialog control that shows it: Load, Save and what the
    // plug-in tells a host of its remembered options all walk this one list.
    template <typename Self, typename Visit>
    static void VisitStored(Self& self, Visit&& visit) {
        visit(L"Apply", self.apply, StoredControls{IDC_HTR_APPLY, IDC_HTR_CREATE});
        visit(L"Animate", self.animate, StoredControls{IDC_ANIMATION});
        visit(L"KeyBasePosition", self.keyBasePosition, StoredControls{IDC_BASE_POSITION});
        visit(L"EndEffectors", self.endEffectors, StoredControls{IDC_END_EFFECTORS});
        visit(L"Range", self.range, StoredControls{IDC_FRAME_RANGE, IDC_ALL_FRAMES});
        visit(L"FPS", self.setFrameRate, StoredControls{IDC_SET_FRAME_RATE});
        visit(L"RotationController", self.rotationController, StoredControls{IDC_TCB, IDC_EULER});
        visit(L"Size", self.size, StoredControls{IDC_SEGMENT_SIZE});
        visit(L"ScaleFactor", self.scaleFactor, StoredControls{IDC_GLOBAL_SCALE});
    }

    // The module's record, alive from load to unload.
    static ImportHTROptions& Module();

private:
    RegistrySettingsKey key_;
};
