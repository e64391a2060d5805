// The extension's face of the cleaning steps (tovfileio/clean).
#pragma once

#include <pybind11/pybind11.h>

namespace tovpy {

void RegisterCleaning(pybind11::module_& module);

}  // namespace tovpy
