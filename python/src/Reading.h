// Reading takes into the fields of Markers and Skeleton objects.
#pragma once

#include <pybind11/pybind11.h>

namespace tovpy {

void RegisterReading(pybind11::module_& module);

}  // namespace tovpy
