// What `tovfileio info` says about an HTR file that has been read.
#pragma once

#include <string>

namespace tovfileio {
class HTRFile;
}

// A readable report: header values, frames, duration and the hierarchy as an
// indented tree. `file` is the name the user gave.
std::string DescribeHtr(const std::string& file, const tovfileio::HTRFile& htr);

// One JSON object on one line, with a line feed.
std::string HtrJson(const std::string& file, const tovfileio::HTRFile& htr);
