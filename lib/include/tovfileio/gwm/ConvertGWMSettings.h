// The settings of the TRC-to-GWM conversion. The utility panel edits them
// and keeps them in the "ConvertGWM" section of the settings; `tovfileio
// convert` fills them from its command line.
#pragma once

#include <string>

namespace tovfileio {

struct ConvertGWMSettings {
    std::wstring MNMPath = L"<none>";     // marker-name map loaded by every conversion
    std::wstring InputPath = L"C:\\";     // where the TRC file dialog opens
    std::wstring OutputPath = L"<none>";  // batch output folder and batch log folder
    bool Filter = true;    // rename and filter markers through the map
    bool Batch = false;    // several files and a batch log
    bool TRCName = true;   // name the output after the TRC file
    bool TRCSpace = true;  // the offset is in TRC coordinates (else in host coordinates)
    bool Offset = false;   // add the translation offset
    float OffsetX = 0.0f;  // in the units of the TRC file
    float OffsetY = 0.0f;
    float OffsetZ = 0.0f;
};

}  // namespace tovfileio
