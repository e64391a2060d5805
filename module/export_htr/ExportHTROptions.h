// The HTR exporter's options: one record for the whole module, kept between
// exports and stored in the "ExportHTR" section of the settings.
#pragma once

#include <cstdint>

#include "plugin/RegistrySettingsKey.h"

class ExportHTROptions : public RegistrySettingsKey {
public:
    // The section of the settings the record is kept in.
    static constexpr const wchar_t* kSection = L"ExportHTR";

    // Opens the settings section; the fields start at their defaults.
    ExportHTROptions();
    // The defaults, with no section opened or created.
    explicit ExportHTROptions(DetachedRecord) {}

    // Reads the stored values; one that cannot be read leaves its field.
    void Load();
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

    // Calls visit(name, field) for every stored field, in registry order: a
    // program reads a section with it as Load does.
    template <typename Self, typename Visit>
    static void VisitStored(Self& self, Visit&& visit) {
        visit(L"Pose", self.savedPose);
        visit(L"Animate", self.animate);
        visit(L"ParentTransforms", self.parentTransforms);
        visit(L"Range", self.range);
        visit(L"Offset", self.offset);
        visit(L"ScaleFactor", self.scaleFactor);
    }

    // The module's record, alive from load to unload.
    static ExportHTROptions& Module();
};
