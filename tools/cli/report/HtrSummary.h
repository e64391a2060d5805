// What `tovfileio info` says about an HTR file that has been read.
#pragma once

#include <string>

#include "tovfileio/text/FileKinds.h"

namespace tovfileio {
class HTRFile;
}

// A readable report: header values, frames, duration and the hierarchy as an
// indented tree. `file` is the name the user gave; `kind` the format the
// skeleton was read from (HTR or BVH).
std::string DescribeHtr(const std::string& file, const tovfileio::HTRFile& htr,
                        tovfileio::FileKind kind = tovfileio::FileKind::kHtr);

// One JSON object on one line, with a line feed.
std::string HtrJson(const std::string& file, const tovfileio::HTRFile& htr,
                    tovfileio::FileKind kind = tovfileio::FileKind::kHtr);
