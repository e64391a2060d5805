// What the HTR and TRC repairs share: a file as lines that keep their own
// line ends and their number in the file as given, and a reader's findings
// gathered for a verdict.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/repair/Repair.h"
#include "tovfileio/text/ReadFinding.h"

namespace tovfileio::repair {

struct Line {
    std::string text;       // without its line end
    std::string end;        // "\n", "\r\n", or empty for a last line without one
    std::uint64_t number;   // in the file as given, from 1; 0 for a line the repair adds
};

std::vector<Line> SplitLines(std::string_view bytes);
std::string JoinLines(const std::vector<Line>& lines);

// A reader's message (UTF-8, empty when it accepted the text) and every
// finding, read on after the first refusal.
struct Reading {
    std::string message;
    std::vector<ReadFinding> findings;

    const ReadFinding* Find(ReadFindingCode code) const;
};

Reading ReadTrcText(std::string_view bytes);
Reading ReadHtrText(std::string_view bytes);

// The repair of a file's text once its first reading is known.
RepairResult RepairTrc(std::string_view bytes, const Reading& asGiven);
RepairResult RepairHtr(std::string_view bytes, const Reading& asGiven);

// The fields of `text` between runs of the separators `separators`; none
// for a line of separators only.
std::vector<std::string_view> Tokens(std::string_view text, std::string_view separators);
// The fields of `text` between single tabs, empty ones kept.
std::vector<std::string_view> TabFields(std::string_view text);
std::string JoinWithTabs(const std::vector<std::string_view>& fields);
// Whether the blanks of a TRC data row separate its fields: a row of blanks
// without tabs, or one whose tab fields hold values apart by blanks (tabs
// and blanks mixed); else its blanks are part of its fields.
bool BlanksSeparateRow(std::string_view text);

// The lines the TRC reader takes, the k-th being the one it numbers k + 1
// (kNoLine: the empty text it reads after a last comment or empty line).
constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
std::vector<std::size_t> NumberedLines(const std::vector<Line>& lines);
// The lines the TRC reader takes as data rows, in order.
std::vector<std::size_t> RowLines(const std::vector<Line>& lines);
// The marker columns of three the TRC reader walks in a data row of
// tabbed `lines`: one for each name of line 4 with a tab after it.
std::size_t SampleSlots(const std::vector<Line>& lines);

// Whether a TRC field says NaN: "NaN" in any letter case, signed or not,
// white space around it, which the converting reader takes for a dropout
// and the host's import reads as 0.
bool SaysNaN(std::string_view field);
// Whether a field of the sample whose x is field `column` of a row's
// `fields` says NaN; past the row's end every field reads as its last again.
bool NanSample(const std::vector<std::string_view>& fields, std::size_t column);

// The repaired result of `lines` once the reader accepts them: `changes`
// and the findings of that read; else the reading as given, refused.
RepairResult Verdict(const std::vector<Line>& lines, std::vector<RepairChange> changes,
                     const Reading& asGiven, Reading (*read)(std::string_view));
// A file refused for `message`, with the findings of its reading as given.
RepairResult Refusal(const Reading& asGiven, std::string message);

// A TRC line whose separators are blanks or tabs, any mix, as `tabbed`, a
// tab between each two fields, each value in the column it is certain to
// hold (a row of `fields` fields; 0 when the header does not say); false
// when the columns of its values are not certain. `empties`: the line holds
// empty fields between its values.
bool PlacedFields(std::string_view text, std::size_t fields, std::string& tabbed, bool& empties);

// The first value of the data rows of a TRC file as given (`source`; its
// fields separated by commas when `commas`, `rowFields` to a row, 0 when its
// header does not say) that the repaired `lines` would move, in words; empty
// when none would. Each field of a row must stand in the column it holds in
// the source (as PlacedFields places it where blanks separate the fields),
// and the TRC reader must read back, for each marker, the values of the
// columns line 4 of the source names it over, from every row of the source
// that holds a value, in order.
std::string MovedTrcValue(const std::vector<Line>& source, const std::vector<Line>& lines,
                          bool commas, std::size_t rowFields);

}  // namespace tovfileio::repair
