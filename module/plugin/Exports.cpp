// The six entry points through which the host finds the module's classes.
// They are the only symbols the module exports.
#include "brindle/sdk/ClassDesc.h"
#include "plugin/ClassDescriptors.h"
#include "plugin/ModuleObjects.h"

#define TOV_EXPORT extern "C" __attribute__((visibility("default")))

TOV_EXPORT const wchar_t* LibDescription() {
    try {
        return ModuleDescription();
    } catch (...) {
        return L"";
    }
}

TOV_EXPORT int LibNumberClasses() { return 4; }

// The index order is part of the interface: the HTR exporter is index 1, the
// TRC importer index 2.
TOV_EXPORT ClassDesc* LibClassDesc(int i) {
    switch (i) {
        case 0: return GetImportHTRDesc();
        case 1: return GetExportHTRDesc();
        case 2: return GetImportTRCDesc();
        case 3: return GetTOVUtilitiesDesc();
        default: return nullptr;
    }
}

TOV_EXPORT unsigned long LibVersion() { return VERSION_BRINDLE; }

TOV_EXPORT int LibShutdown() {
    DestroyClassDescriptors();
    return TRUE;
}

// The host may put off loading the module until one of its classes is needed.
TOV_EXPORT int CanAutoDefer() { return TRUE; }
