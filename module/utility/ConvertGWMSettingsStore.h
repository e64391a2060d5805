// The conversion settings in the "ConvertGWM" section of the settings.
#pragma once

#include <vector>

#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"

// Reads every field; a field whose value cannot be read, or that the
// utility page's edit would refuse, takes its default: those refused are
// returned, for a note.
std::vector<RefusedValue> LoadSettings(const RegistrySettingsKey& key,
                                       tovfileio::ConvertGWMSettings& settings);
// Writes the three strings, the five flags and the three floats, in the
// order of the record; failures are ignored.
void SaveSettings(const RegistrySettingsKey& key, const tovfileio::ConvertGWMSettings& settings);
