// The module's four class descriptors: what the host learns of each plug-in
// class before it creates objects of it. Each is a lazily created singleton
// on the host's heap, destroyed by LibShutdown.
#pragma once

#include <string>

#include "brindle/sdk/ClassDesc.h"
#include "tovfileio/module/ClassIds.h"

// The strings every descriptor owns: class name and internal name (two
// copies of one string-table text) and the category.
class ModuleClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return TRUE; }
    const wchar_t* ClassName() override { return className_.c_str(); }
    const wchar_t* Category() override { return category_.c_str(); }
    const wchar_t* InternalName() override { return internalName_.c_str(); }
    const wchar_t* GetRsrcString(std::intptr_t id) override;

protected:
    explicit ModuleClassDesc(int nameId);

private:
    std::wstring className_;
    std::wstring internalName_;
    std::wstring category_;
};

class ImportHTRClassDesc : public ModuleClassDesc {
public:
    ImportHTRClassDesc();
    void* Create(BOOL loading) override;
    SClass_ID SuperClassID() override { return SCENE_IMPORT_CLASS_ID; }
    Class_ID ClassID() override { return kImportHtrClassId; }
};

class ImportTRCClassDesc : public ModuleClassDesc {
public:
    ImportTRCClassDesc();
    void* Create(BOOL loading) override;
    SClass_ID SuperClassID() override { return SCENE_IMPORT_CLASS_ID; }
    Class_ID ClassID() override { return kImportTrcClassId; }
};

class ExportHTRClassDesc : public ModuleClassDesc {
public:
    ExportHTRClassDesc();
    void* Create(BOOL loading) override;
    SClass_ID SuperClassID() override { return SCENE_EXPORT_CLASS_ID; }
    Class_ID ClassID() override { return kExportHtrClassId; }
};

class TOVUtilitiesClassDesc : public ModuleClassDesc {
public:
    TOVUtilitiesClassDesc();
    void* Create(BOOL loading) override;
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    Class_ID ClassID() override { return kUtilitiesClassId; }
};

// The descriptor of each class, created at the first request; null when the
// host's heap could not supply it (the next request tries again).
ClassDesc* GetImportHTRDesc();
ClassDesc* GetImportTRCDesc();
ClassDesc* GetExportHTRDesc();
ClassDesc* GetTOVUtilitiesDesc();
// Destroys the descriptors that exist, in the order ImportHTR, ExportHTR,
// ImportTRC, TOVUtilities, and empties their pointers.
void DestroyClassDescriptors();
