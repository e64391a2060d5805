// GWM marker files: the marker file format of the host's Gaitwork
// character-animation add-on, written from a TRC file.
#pragma once

#include <string>

#include "trc/TRCFile.h"
#include "utility/ConvertGWMSettings.h"

// The local time as the 24 characters GWM files and the batch log carry,
// for example "Fri Dec 11 08:57:52 2026". When SOURCE_DATE_EPOCH is set, that
// moment (in UTC) is used instead, so output can be reproduced byte for byte.
std::string GWMDateTimeText();

// Writes `trc` as a GWM file at `path`: the included markers in file order,
// rows for the header's frame count, coordinates turned from Y-up to Z-up
// with the settings' offset. False when the file cannot be created, and
// false, with the part written removed, when writing fails on the way (a
// full disk, a file-size limit): a GWM file is there whole or not at all.
bool WriteGWMFile(const std::wstring& path, const TRCFile& trc,
                  const ConvertGWMSettings& settings);

// The file name of `path` without its folder and extension.
std::wstring GWMBaseName(const std::wstring& path);
