// Building HTR files for tests from a few lines of text.
#pragma once

#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tests/support/TestFiles.h"

namespace tovtest {

// A valid header (mm, Degrees unless `header` says otherwise; NumSegments
// from the caller) followed by `body`.
inline std::string HtrWithHeader(const std::string& header, const std::string& body) {
    return "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nEulerRotationOrder ZYX\n" +
           header + body;
}

// Reads `text` as an HTR file named `name` in `dir` and returns the message.
inline std::wstring ReadHtrText(const ScratchDir& dir, const std::string& text, tovfileio::HTRFile& htr,
                                const std::string& name = "test.htr") {
    return htr.Read(Wide(dir.Write(name, text)));
}

}  // namespace tovtest
