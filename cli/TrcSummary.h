// What `tovfileio info` says about a TRC file that has been read.
#pragma once

#include <string>

class TRCFile;

// A readable report: header values, rows read against the header's frame
// count, duration, and every marker with its samples and dropouts.
std::string DescribeTrc(const std::string& file, const TRCFile& trc);

// One JSON object on one line, with a line feed.
std::string TrcJson(const std::string& file, const TRCFile& trc);
