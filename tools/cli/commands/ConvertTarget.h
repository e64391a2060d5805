// What `tovfileio convert IN OUT` writes: the format OUT's name gives (its
// extension, in any letter case), or `--to FORMAT`, which names it where
// OUT's name gives none ("-", "take.dat"). Without --to, a pipe (standard
// output, a FIFO, a device) gets IN's own format, as the next program in a
// pipe expects, and a folder the file IN's own conversion writes. A file is never written in a format its
// name does not say: an output named for no format convert writes, or for
// one IN does not become, is refused with the list of what IN can become.
// The formats, their names and what each becomes are the libraries' table
// (tovfileio/text/FileKinds.h).
#pragma once

#include <string>

#include "tovfileio/text/FileKinds.h"

struct ConvertTargetRequest {
    tovfileio::FileKind in;  // the input's kind, by its name or content
    std::string out;         // OUT as given
    // OUT's name says no format: "-", a folder (which receives a file named
    // after IN), a device or a FIFO.
    bool outIsStream = false;
    // Of those, a pipe: "-", a device or a FIFO.
    bool outIsPipe = false;
    std::string to;          // --to as given; empty when not
};

// The kind to write, or, in `refused`, why none: "x.dat: the name gives
// no format convert writes; a TRC file converts to GWM (.gwm), TRC (.trc),
// ...: name the output so, or give --to".
bool ChooseConvertTarget(const ConvertTargetRequest& request, tovfileio::FileKind& kind,
                         std::string& refused);

// What --to takes: "htr|bvh|trc|c3d|gwm|csv|gltf|glb".
std::string ConvertKeywords();
