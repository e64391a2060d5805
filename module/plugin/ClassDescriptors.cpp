#include "plugin/ClassDescriptors.h"

#include <new>

#include "export_htr/ExportHTR.h"
#include "import_htr/ImportHTR.h"
#include "import_trc/ImportTRC.h"
#include "resources/ModuleResources.h"
#include "utility/TOVUtilities.h"

namespace {

// The singletons; empty at load.
ClassDesc* importHtrDesc = nullptr;
ClassDesc* importTrcDesc = nullptr;
ClassDesc* exportHtrDesc = nullptr;
ClassDesc* utilitiesDesc = nullptr;

// The singleton in `slot`, created when missing. Host-heap `new` yields null
// when the heap is exhausted; a constructor that runs out of memory for its
// strings gives null as well.
template <typename Descriptor>
ClassDesc* Singleton(ClassDesc*& slot) {
    if (slot == nullptr) {
        try {
            slot = new Descriptor();
        } catch (const std::bad_alloc&) {
            slot = nullptr;
        }
    }
    return slot;
}

// A new plug-in object on the host's heap, as its host base class; null when
// the heap is exhausted.
template <typename Object, typename Base>
void* CreateObject() {
    try {
        Base* object = new Object();
        return object;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Destroy(ClassDesc*& slot) {
    delete slot;
    slot = nullptr;
}

}  // namespace

ModuleClassDesc::ModuleClassDesc(int nameId)
    : className_(GetResourceStringAsMSTR(nameId)),
      internalName_(GetResourceStringAsMSTR(nameId)),
      category_(GetResourceStringAsMSTR(IDS_CATEGORY)) {}

const wchar_t* ModuleClassDesc::GetRsrcString(std::intptr_t id) {
    return ModuleString(static_cast<int>(id));
}

ImportHTRClassDesc::ImportHTRClassDesc() : ModuleClassDesc(IDS_IMPORT_HTR_CLASS) {}
ImportTRCClassDesc::ImportTRCClassDesc() : ModuleClassDesc(IDS_IMPORT_TRC_CLASS) {}
ExportHTRClassDesc::ExportHTRClassDesc() : ModuleClassDesc(IDS_EXPORT_HTR_CLASS) {}
TOVUtilitiesClassDesc::TOVUtilitiesClassDesc() : ModuleClassDesc(IDS_UTILITIES_CLASS) {}

// Whether a scene is being loaded does not matter: every request gets a new
// object, the utility included.
void* ImportHTRClassDesc::Create(BOOL) { return CreateObject<ImportHTR, SceneImport>(); }
void* ImportTRCClassDesc::Create(BOOL) { return CreateObject<ImportTRC, SceneImport>(); }
void* ExportHTRClassDesc::Create(BOOL) { return CreateObject<ExportHTR, SceneExport>(); }
void* TOVUtilitiesClassDesc::Create(BOOL) { return CreateObject<TOVUtilities, UtilityObj>(); }

ClassDesc* GetImportHTRDesc() { return Singleton<ImportHTRClassDesc>(importHtrDesc); }
ClassDesc* GetImportTRCDesc() { return Singleton<ImportTRCClassDesc>(importTrcDesc); }
ClassDesc* GetExportHTRDesc() { return Singleton<ExportHTRClassDesc>(exportHtrDesc); }
ClassDesc* GetTOVUtilitiesDesc() { return Singleton<TOVUtilitiesClassDesc>(utilitiesDesc); }

void DestroyClassDescriptors() {
    Destroy(importHtrDesc);
    Destroy(exportHtrDesc);
    Destroy(importTrcDesc);
    Destroy(utilitiesDesc);
}
