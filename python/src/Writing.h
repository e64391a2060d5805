// tovfileio.write: Markers and Skeleton objects written through the
// libraries' writers, whole or not at all.
#pragma once

#include <pybind11/pybind11.h>

namespace tovpy {

void RegisterWriting(pybind11::module_& module);

}  // namespace tovpy
