#include "import_htr/ImportHTROptions.h"

ImportHTROptions::ImportHTROptions() { key_.Open(L"TOVFileIO", L"Brindle", L"ImportHTR"); }

void ImportHTROptions::Load() {
    key_.ReadBool(L"Apply", apply);
    key_.ReadBool(L"Animate", animate);
    key_.ReadBool(L"KeyBasePosition", keyBasePosition);
    key_.ReadBool(L"EndEffectors", endEffectors);
    key_.ReadBool(L"Range", range);
    key_.ReadBool(L"FPS", setFrameRate);
    key_.ReadInt(L"RotationController", rotationController);
    key_.ReadFloat(L"Size", size);
    key_.ReadDouble(L"ScaleFactor", scaleFactor);
}

void ImportHTROptions::Save() const {
    key_.WriteBool(L"Apply", apply);
    key_.WriteBool(L"Animate", animate);
    key_.WriteBool(L"KeyBasePosition", keyBasePosition);
    key_.WriteBool(L"EndEffectors", endEffectors);
    key_.WriteBool(L"Range", range);
    key_.WriteBool(L"FPS", setFrameRate);
    key_.WriteInt(L"RotationController", rotationController);
    key_.WriteFloat(L"Size", size);
    key_.WriteDouble(L"ScaleFactor", scaleFactor);
}
