// The conversion settings in the "ConvertGWM" section of the settings.
#pragma once

#include "plugin/RegistrySettingsKey.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"

// Reads every field; a field whose value cannot be read takes its default.
void LoadSettings(const RegistrySettingsKey& key, tovfileio::ConvertGWMSettings& settings);
// Writes the three strings, the five flags and the three floats, in the
// order of the record; failures are ignored.
void SaveSettings(const RegistrySettingsKey& key, const tovfileio::ConvertGWMSettings& settings);
