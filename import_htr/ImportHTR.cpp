#include "import_htr/ImportHTR.h"

#include "plugin/AboutBox.h"
#include "plugin/MessageReporter.h"

const wchar_t* ImportHTR::Ext(int n) { return n == 0 ? L"HTR" : L""; }

const wchar_t* ImportHTR::CopyrightMessage() { return kTovelundLegalNotice; }

void ImportHTR::ShowAbout(HWND owner) { RunAboutBox(owner); }

int ImportHTR::DoImport(const wchar_t* /*name*/, ImpInterface* /*importer*/, Interface* /*host*/,
                        BOOL /*suppressPrompts*/) {
    // Building skeletons in the scene is not part of this version.
    MessageReporter::Module().Report(L"This version of TOVFileIO cannot import HTR files yet.",
                                     L"ImportHTR Error");
    return 0;
}
