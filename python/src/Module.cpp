// The extension module behind the Python package tovfileio: the file
// libraries' readers, writers and conversion core, each part registered by
// the file that binds it.
#include <pybind11/pybind11.h>

#include "Cleaning.h"
#include "Convert.h"
#include "Findings.h"
#include "Reading.h"
#include "Skeletons.h"
#include "Writing.h"
#include "tovfileio/Version.h"

PYBIND11_MODULE(_tovfileio, module) {
    module.doc() = "The TOVFileIO file libraries; use the package tovfileio.";
    tovpy::RegisterFindings(module);
    tovpy::RegisterReading(module);
    tovpy::RegisterSkeletons(module);
    tovpy::RegisterWriting(module);
    tovpy::RegisterConvert(module);
    tovpy::RegisterCleaning(module);
    module.attr("__version__") = TOVFILEIO_VERSION;
}
