// The module-wide objects, built in this order when the module is loaded
// (before the host calls any entry point) and destroyed in the reverse order
// when it is unloaded: the host's text files for the file libraries, the
// message reporter, then the options records of the HTR importer, the TRC
// importer and the HTR exporter, each opening its settings section at once.
// Keeping them in one file fixes that order.
#include <string>

#include "brindle/sdk/HostServices.h"
#include "export_htr/ExportHTROptions.h"
#include "import_htr/ImportHTROptions.h"
#include "import_trc/ImportTRCOptions.h"
#include "plugin/HostTextFiles.h"
#include "plugin/MessageReporter.h"
#include "plugin/ModuleObjects.h"
#include "resources/ModuleResources.h"

namespace {

// The file libraries linked into the module open files through the host.
struct HostTextFilesInstalled {
    HostTextFiles files;
    HostTextFilesInstalled() { tovfileio::UseTextFiles(&files); }
    ~HostTextFilesInstalled() { tovfileio::UseTextFiles(nullptr); }
} hostTextFiles;

MessageReporter reporter;
ImportHTROptions importHtrOptions;
ImportTRCOptions importTrcOptions;
ExportHTROptions exportHtrOptions;
// LibDescription's text: loaded at the first call, kept until unload.
std::wstring description;
bool descriptionLoaded = false;

// The library entry: once the objects above exist, switch the module to the
// host's language pack.
struct LibraryEntry {
    LibraryEntry() { UseLanguagePackLocale(); }
} libraryEntry;

}  // namespace

MessageReporter& MessageReporter::Module() { return reporter; }
ImportHTROptions& ImportHTROptions::Module() { return importHtrOptions; }
ImportTRCOptions& ImportTRCOptions::Module() { return importTrcOptions; }
ExportHTROptions& ExportHTROptions::Module() { return exportHtrOptions; }

const wchar_t* ModuleDescription() {
    if (!descriptionLoaded) {
        description = GetResourceStringAsMSTR(IDS_LIB_DESCRIPTION);
        descriptionLoaded = true;
    }
    return description.c_str();
}
