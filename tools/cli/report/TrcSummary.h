// What `tovfileio info` says about a TRC file, from its header, its markers
// and the dropouts counted as its rows are read.
#pragma once

#include <string>

#include "tovfileio/text/FileKinds.h"
#include "tovfileio/trc/TRCDropoutTally.h"
#include "tovfileio/trc/TRCFile.h"

// A readable report: header values, rows read against the header's frame
// count, duration, and every marker with its samples and dropouts. `kind`
// is the format the take was read from (TRC, C3D or GWM).
std::string DescribeTrc(const std::string& file, const tovfileio::TRCFile& trc,
                        const tovfileio::TRCDropoutTally& rows,
                        tovfileio::FileKind kind = tovfileio::FileKind::kTrc);

// One JSON object on one line, with a line feed.
std::string TrcJson(const std::string& file, const tovfileio::TRCFile& trc,
                    const tovfileio::TRCDropoutTally& rows,
                    tovfileio::FileKind kind = tovfileio::FileKind::kTrc);
