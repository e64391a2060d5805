// Which of the libraries' kinds of file a take is: named by the caller
// ("trc", ".c3d"), or told from a path as the command line tells it.
#pragma once

#include <string>

#include "tovfileio/text/FileKinds.h"

namespace tovpy {

// The kind `format` names ("htr", "TRC", ".bvh", "csv"); raises ValueError
// for a name that is none of the libraries' kinds.
tovfileio::FileKind KindNamed(const std::string& format);
// The kind of the take at `path`: its first bytes when they mark a C3D, BVH
// or GWM file, else its name, else its first bytes; raises ReadError, with
// the path, when neither tells one the libraries read. `formatArgument`: the
// caller may name the kind itself (format=), which the error then says.
tovfileio::FileKind KindOfTake(const std::string& path, bool formatArgument = false);
// The kind a path's name gives for writing; kUnknown when none.
tovfileio::FileKind KindOfOutput(const std::string& path);
// "trc".
std::string KindKeyword(tovfileio::FileKind kind);

}  // namespace tovpy
