#include "import_trc/ImportTRC.h"

#include "plugin/MessageReporter.h"

const wchar_t* ImportTRC::Ext(int n) { return n == 0 ? L"TRC" : L""; }

int ImportTRC::DoImport(const wchar_t* /*name*/, ImpInterface* /*importer*/, Interface* /*host*/,
                        BOOL /*suppressPrompts*/) {
    // Building marker objects in the scene is not part of this version.
    MessageReporter::Module().Report(L"This version of TOVFileIO cannot import TRC files yet.",
                                     L"ImportTRC Error");
    return 0;
}
