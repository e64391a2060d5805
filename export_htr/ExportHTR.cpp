#include "export_htr/ExportHTR.h"

#include "plugin/MessageReporter.h"

const wchar_t* ExportHTR::Ext(int n) { return n == 0 ? L"HTR" : L""; }

int ExportHTR::DoExport(const wchar_t* /*name*/, ExpInterface* /*exporter*/, Interface* /*host*/,
                        BOOL /*suppressPrompts*/, DWORD /*options*/) {
    // Walking the scene's bones is not part of this version.
    MessageReporter::Module().Report(L"This version of TOVFileIO cannot export HTR files yet.",
                                     L"ExportHTR Error");
    return 0;
}
