// The skeletal model (HTRFile) and the arrays Python holds of it: the
// hierarchy, the base pose and each segment's frames, one way and back.
#pragma once

#include <pybind11/pybind11.h>

#include "tovfileio/htr/HTRFile.h"

namespace tovpy {

// The fields of a Skeleton (see tovfileio/__init__.py) from the model:
// names, parents, roots, base, motion, segment_frames and the header.
// The arrays are filled without the interpreter's lock.
pybind11::dict SkeletonFields(const tovfileio::HTRFile& skeleton);

// The model of a Skeleton object's fields; raises ValueError for arrays of
// the wrong shape, parents out of range or names the model refuses.
void SkeletonModel(const pybind11::handle& skeleton, tovfileio::HTRFile& into);

void RegisterSkeletons(pybind11::module_& module);

}  // namespace tovpy
