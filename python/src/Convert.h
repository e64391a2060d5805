// tovfileio.convert: one take written as another format by the libraries'
// conversion core, the one the command line's convert runs.
#pragma once

#include <pybind11/pybind11.h>

namespace tovpy {

void RegisterConvert(pybind11::module_& module);

}  // namespace tovpy
