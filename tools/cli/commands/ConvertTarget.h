// What `tovfileio convert IN OUT` writes: the format OUT's name gives (its
// extension, in any letter case), or `--to FORMAT`, which names it where
// OUT's name gives none ("-", "take.dat"). A file is never written in a format its
// name does not say: an output named for no format convert writes, or for
// one IN does not become, is refused with the list of what IN can become.
#pragma once

#include <span>
#include <string>

#include "tovfileio/text/FileKinds.h"

enum class ConvertFormat { kHtr, kBvh, kTrc, kC3d, kGwm, kCsv, kGltf, kGlb };

struct ConvertFormatInfo {
    ConvertFormat format;
    tovfileio::FileKind kind;  // the kind of file written; kUnknown for glTF, which the
                               // scene's writer makes and no library reads
    const char* keyword;    // "gltf": what --to takes
    const char* name;       // "glTF": how messages name it
    const char* extension;  // ".gltf"
};

// Every format convert writes, in the order messages list them.
std::span<const ConvertFormatInfo> ConvertFormats();
const ConvertFormatInfo& FormatInfo(ConvertFormat format);

struct ConvertTargetRequest {
    tovfileio::FileKind in;  // the input's kind, by its name or content
    std::string out;         // OUT as given
    // OUT's name says no format: "-", a folder (which receives a file named
    // after IN), a device or a FIFO.
    bool outIsStream = false;
    std::string to;          // --to as given; empty when not
};

// The format to write, or, in `refused`, why none: "x.dat: the name gives
// no format convert writes; a TRC file converts to GWM (.gwm), TRC (.trc),
// ...: name the output so, or give --to".
bool ChooseConvertTarget(const ConvertTargetRequest& request, ConvertFormat& format,
                         std::string& refused);
