// The kinds of file the libraries know: how files of each kind are named,
// how each is told by its first bytes, and what the libraries convert each
// into. One table, which every program asks instead of knowing formats of
// its own.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tovfileio {

enum class FileKind {
    kUnknown,
    kHtr,  // skeletal motion: a hierarchy of segments and their frames
    kTrc,  // marker trajectories: a position per marker and frame
    kGwm,  // Gaitwork marker files, made from TRC files
    kMnm,  // marker-name maps, which rename and filter markers
    kC3d,  // binary point and analog data as optical systems record it
    kBvh,  // skeletal motion as animation packages exchange it
    kCsv,  // comma-separated values: a row per frame and point, for analysis
};

struct FileKindInfo {
    FileKind kind;
    const char* name;       // "HTR"
    const char* article;    // "an" (an HTR file) or "a" (a TRC file)
    const char* extension;  // ".htr": how files of the kind are named, in any letter case
    bool read;              // the libraries read it
    bool written;           // the libraries write it
    std::span<const FileKind> becomes;  // what the libraries convert a file of the kind into
};

// Every kind but kUnknown, in the order above.
std::span<const FileKindInfo> FileKinds();
// The entry of `kind`; kUnknown has one too, named "unknown", that becomes
// nothing.
const FileKindInfo& KindInfo(FileKind kind);

// The kind a path names by its extension, in any letter case; kUnknown for
// any other name.
FileKind KindByName(std::string_view path);
// The kind the first bytes of a file show (a UTF-8 byte-order mark is
// skipped): "PathFileType" starts a TRC file, "$Comments" or "$Filename" a
// GWM file, "HIERARCHY" a BVH file, an HTR file holds "[Header]" or a
// line starting "FileType"
// near its start; binary bytes (LooksBinary) are a C3D file when the
// second is 0x50; kUnknown when they show none of these (an MNM file has no
// mark of its own).
FileKind KindByContent(std::string_view firstBytes);
// KindByContent of the first bytes of the file at `path` (UTF-8 bytes, as
// given); kUnknown when it cannot be read.
FileKind KindOfFile(const std::string& path);

// Whether files of `kind` are read as takes, markers or a skeleton (an MNM
// map is read only by the conversions that take one).
bool IsTakeKind(FileKind kind);
// The kind of take the file at `path` holds: a C3D, BVH or GWM file's
// first bytes decide whatever its name (each starts with a mark no other
// kind has); otherwise the name does, then the text. kUnknown when neither
// tells one.
FileKind KindOfTake(const std::string& path);

// Whether the first bytes of a file show binary data rather than text: a
// NUL byte where no UTF-16 byte-order mark begins them. A C3D file so shown
// is told by its second byte, 0x50 in every C3D header (KindByContent).
bool LooksBinary(std::string_view firstBytes);
// The first bytes of the file at `path` that the two above look at; empty
// when it cannot be read.
std::string FirstBytesOf(const std::string& path);

}  // namespace tovfileio
