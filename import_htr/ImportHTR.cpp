#include "import_htr/ImportHTR.h"

#include "plugin/MessageReporter.h"

const wchar_t* ImportHTR::Ext(int n) { return n == 0 ? L"HTR" : L""; }

int ImportHTR::DoImport(const wchar_t* /*name*/, ImpInterface* /*importer*/, Interface* /*host*/,
                        BOOL /*suppressPrompts*/) {
    // Building skeletons in the scene is not part of this version.
    MessageReporter::Module().Report(L"This version of TOVFileIO cannot import HTR files yet.",
                                     L"ImportHTR Error");
    return 0;
}
