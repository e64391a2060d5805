// The TRC importer's options: one record for the whole module, kept between
// imports and stored in the "ImportTRC" section of the settings.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/module/ResourceIds.h"

class ImportTRCOptions : public RegistrySettingsKey {
public:
    // The section of the settings the record is kept in.
    static constexpr const wchar_t* kSection = L"ImportTRC";
    // The dialog that shows the values.
    static constexpr int kDialog = IDD_IMPORT_TRC;

    // Opens the settings section; the fields start at their defaults.
    ImportTRCOptions();
    // The defaults, with no section opened or created.
    explicit ImportTRCOptions(DetachedRecord) {}

    // Reads the stored values; one that cannot be read leaves its field,
    // and a number its dialog's field would refuse gives the field its
    // default: those are returned, for a note.
    std::vector<RefusedValue> Load();
    // Writes the stored values; failures are ignored.
    void Save() const;

    bool apply = false;  // false: create an object per marker; true: reuse nodes
    bool sphereGeometry = true;  // false: point objects
    bool selectedOnly = false;
    bool rootNode = false;  // link the markers under a "TRCCloud" dummy
    bool range = false;
    bool setFrameRate = false;
    std::int32_t startFrame = 1;  // not stored
    std::int32_t endFrame = 1;    // not stored
    std::int32_t offset = 0;      // not stored
    float size = 1.0f;
    double scaleFactor = 1.0;

    // Calls visit(name, field, controls) for every stored field, in registry
    // order, with the dialog control that shows it: Load, Save and what the
    // plug-in tells a host of its remembered options all walk this one list.
    template <typename Self, typename Visit>
    static void VisitStored(Self& self, Visit&& visit) {
        visit(L"Apply", self.apply, StoredControls{IDC_TRC_APPLY, IDC_TRC_CREATE});
        visit(L"Geometry", self.sphereGeometry, StoredControls{IDC_SPHERE, IDC_POINT});
        visit(L"SelectedOnly", self.selectedOnly, StoredControls{IDC_SELECTED_ONLY});
        visit(L"RootNode", self.rootNode, StoredControls{IDC_ROOT_NODE});
        visit(L"Range", self.range, StoredControls{IDC_FRAME_RANGE, IDC_ALL_FRAMES});
        visit(L"FPS", self.setFrameRate, StoredControls{IDC_SET_FRAME_RATE});
        visit(L"Size", self.size, StoredControls{IDC_SEGMENT_SIZE});
        visit(L"ScaleFactor", self.scaleFactor, StoredControls{IDC_GLOBAL_SCALE});
    }

    // The module's record, alive from load to unload.
    static ImportTRCOptions& Module();
};
