// Repair of HTR and TRC files the readers refuse or misread for a layout
// they recognise: the file is rewritten only where the fix is certain, and
// every rewrite is told by line. A file whose reading depends on anything
// else is refused with the reader's own message and findings.
//
// What is rewritten:
// - TRC: fields separated by commas, or by blanks, where tabs belong
//   (line 1 alone, or every line), each value kept in its column: a run of
//   k blanks between two values holds k - 1 empty fields when the row holds
//   the separators the header's NumMarkers, line 4's names and line 5's
//   labels give it, and a row of as many values as fields has none; a row
//   whose values could stand in other columns refuses the file, as do
//   names on line 4 that the labels do not count; line 1 without a tab after
//   "PathFileType" or "(X/Y/Z)"; line 6 of separators only where the blank
//   line belongs (emptied); a last marker name without a tab after it; the
//   header's NumFrames and NumMarkers where they disagree with the rows and
//   the names; frame numbers with gaps, padded with rows of dropouts (empty
//   fields are the layout's own word for a marker not seen at a frame), their
//   times on the line between the rows around the gap; every sample of which
//   a field says NaN (any letter case, signed or not, blanks around it), as
//   three empty fields: the converting readers take it for a dropout, the
//   host's import for 0.
// - HTR: an EulerRotationOrder of three different axes other than ZYX,
//   every base and frame rotation converted to ZYX (the same rotations);
//   commas between the numbers of base and frame lines; NumSegments and
//   NumFrames that disagree with what the file holds, or a NumFrames
//   missing; a file without a [SegmentNames&Hierarchy] section, whose
//   segments then stand each under GLOBAL, as nothing in the file gives
//   them a parent; a keyword written in another letter case.
// Not rewritten: HTR frame numbers with gaps (the layout has no dropout)
// and a missing DataFrameRate (the file does not say its rate); the
// findings of the repaired text tell them.
// A rewritten TRC file is read back before it is kept: every field of every
// data row must stand in its column (but the fields of a sample that says
// NaN, written empty), and each marker read what its columns of the file as
// given hold, a sample that says NaN as a dropout; else the file is refused,
// saying which value would have moved.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

// One place of a repair: the line of the file as given (from 1) and what
// stands there and what was written, in words ("fields separated by blanks;
// written with tabs").
struct RepairChange {
    std::uint64_t line = 0;
    std::string text;
};

struct RepairResult {
    // Empty when the file was repaired (or needed nothing); else the
    // reader's message refusing it, UTF-8.
    std::string message;
    // Refused: the reader's findings of the file as given, every refusal
    // among them. Repaired: the findings of the repaired text, which the
    // readers accept.
    std::vector<ReadFinding> findings;
    std::string text;                    // the repaired file, when repaired
    std::vector<RepairChange> changes;  // in line order

    bool Repaired() const { return message.empty(); }
};

// Repairs the text of an HTR or a TRC file (`kind`), its bytes as a file
// holds them (UTF-8; UTF-16 files are refused).
RepairResult RepairText(std::string_view bytes, FileKind kind);

// RepairText of the file at `path` (UTF-8, opened as given); a file that
// cannot be opened is refused with the readers' kFileNotOpened message.
RepairResult RepairFile(std::string_view path, FileKind kind);

// Writes the repaired text to `path` through TextFiles(), whole or not at
// all; false with the system's error number in `error` when it failed.
bool WriteRepaired(const RepairResult& result, const std::wstring& path, int& error);

}  // namespace tovfileio
