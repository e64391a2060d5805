// Which file library reads a file given on the command line.
#pragma once

#include <string>

enum class FileFormat { Htr, Trc };

// By extension (".htr", ".trc", any letter case); otherwise by content: a
// file whose first line starts with "PathFileType" is TRC, anything else HTR.
FileFormat DetectFileFormat(const std::string& path);
