// The kinds of file the libraries know, one descriptor each: how files of
// a kind are named, how each is told by its first bytes, what it holds, the
// axis it stands up along and what the libraries convert it into. One
// table, which every program (the command line, the Python module) asks
// instead of knowing formats of its own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    kGltf,  // a scene as glTF's JSON, which browsers and 3D tools show
    kGlb,   // the same in glTF's binary container
};

// The axis a file's positions stand up along.
enum class UpAxis { kY, kZ };

// What a file of a kind holds.
enum class KindHolds {
    kNothing,   // no take: an MNM map
    kMarkers,   // marker positions a frame
    kSkeleton,  // a hierarchy of segments and their motion
    kScene,     // a host scene's objects, written from a take imported into one (glTF)
};

struct FileKindInfo {
    FileKind kind;
    const char* name;       // "HTR": how messages name it
    const char* keyword;    // "htr": how options and arguments name it
    const char* article;    // "an" (an HTR file) or "a" (a TRC file)
    const char* extension;  // ".htr": how files of the kind are named, in any letter case
    bool read;              // the libraries read it
    bool written;           // the libraries write it
    KindHolds holds;
    // The axis its positions stand up along by convention; none for a kind
    // whose files stand as their source stands (CSV) or hold no positions.
    std::optional<UpAxis> up;
    // Whether its files keep to that convention (the format fixes it: C3D,
    // GWM), or often stand otherwise, so that the data tell (TRC, HTR, BVH).
    bool upFixed;
    std::span<const FileKind> becomes;  // what the libraries convert a file of the kind into
};

// Every kind but kUnknown, in the order above.
std::span<const FileKindInfo> FileKinds();
// The entry of `kind`; kUnknown has one too, named "unknown", that becomes
// nothing.
const FileKindInfo& KindInfo(FileKind kind);
// The kind `keyword` names ("htr", ".htr", "HTR": the keyword, in any
// letter case, with or without the extension's dot); kUnknown for none.
FileKind KindByKeyword(std::string_view keyword);

// The up axis files of `kind` hold by convention: Z for GWM files (the
// host's axes) and C3D files (a lab's floor is its X-Y plane), Y for TRC,
// HTR, BVH and glTF files. CSV files have none of their own and are written
// as their source stands (Y, the same as TRC).
UpAxis ConventionalUp(FileKind kind);
// "Y-up", "Z-up".
const char* UpAxisName(UpAxis axis);
// The axis `text` names: "y" or "z" in either letter case.
std::optional<UpAxis> UpAxisNamed(std::string_view text);
// The conventions as help texts give them: "Z for GWM and C3D, Y for TRC;
// CSV keeps the input's", for the kinds that hold markers and are written.
std::string MarkerUpConventions();
// The kinds read as takes that stand up along a fixed axis other than Y,
// as help texts name them: "GWM and C3D".
std::string FixedZUpKinds();
// The kinds read as takes, as help texts name them: "HTR, TRC, GWM, C3D or
// BVH".
std::string TakeKindNames();

// Whether files of `kind` hold marker positions (TRC, C3D, GWM, CSV) or a
// skeleton's motion (HTR, BVH).
bool HoldsMarkers(FileKind kind);
bool HoldsSkeleton(FileKind kind);

// What a file of kind `in` can be written as: the libraries' conversions
// (`becomes`, the usual one first), then, with `scenes` and where it
// converts at all, the kinds written from a scene it is imported into.
std::vector<FileKind> WrittenAs(FileKind in, bool scenes);
// "a TRC file converts to GWM (.gwm), TRC (.trc), C3D (.c3d) or CSV (.csv)";
// "an MNM file converts to nothing".
std::string ConvertsToText(FileKind in, bool scenes);

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
