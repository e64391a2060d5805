#include "import_trc/ImportTRCOptions.h"

ImportTRCOptions::ImportTRCOptions() { Open(L"TOVFileIO", L"Brindle", L"ImportTRC"); }

void ImportTRCOptions::Load() {
    ReadBool(L"Apply", apply);
    ReadBool(L"Geometry", sphereGeometry);
    ReadBool(L"SelectedOnly", selectedOnly);
    ReadBool(L"RootNode", rootNode);
    ReadBool(L"Range", range);
    ReadBool(L"FPS", setFrameRate);
    ReadFloat(L"Size", size);
    ReadDouble(L"ScaleFactor", scaleFactor);
}

void ImportTRCOptions::Save() const {
    WriteBool(L"Apply", apply);
    WriteBool(L"Geometry", sphereGeometry);
    WriteBool(L"SelectedOnly", selectedOnly);
    WriteBool(L"RootNode", rootNode);
    WriteBool(L"Range", range);
    WriteBool(L"FPS", setFrameRate);
    WriteFloat(L"Size", size);
    WriteDouble(L"ScaleFactor", scaleFactor);
}
