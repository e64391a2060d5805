// Building HTR files for tests from a few lines of text.
#pragma once

#include <string>

namespace tovtest {

// A valid header (mm, Degrees unless `header` says otherwise; NumSegments
// from the caller) followed by `body`.
inline std::string HtrWithHeader(const std::string& header, const std::string& body) {
    return "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nEulerRotationOrder ZYX\n" +
           header + body;
}

}  // namespace tovtest
