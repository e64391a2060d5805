#include "export_htr/ExportHTROptions.h"

ExportHTROptions::ExportHTROptions() { Open(L"TOVFileIO", L"Brindle", L"ExportHTR"); }

void ExportHTROptions::Load() {
    ReadBool(L"Pose", savedPose);
    ReadBool(L"Animate", animate);
    ReadBool(L"ParentTransforms", parentTransforms);
    ReadBool(L"Range", range);
    ReadInt(L"Offset", offset);
    ReadDouble(L"ScaleFactor", scaleFactor);
}

void ExportHTROptions::Save() const {
    WriteBool(L"Pose", savedPose);
    WriteBool(L"Animate", animate);
    WriteBool(L"ParentTransforms", parentTransforms);
    WriteBool(L"Range", range);
    WriteInt(L"Offset", offset);
    WriteDouble(L"ScaleFactor", scaleFactor);
}
