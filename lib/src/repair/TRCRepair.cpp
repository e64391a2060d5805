// The TRC repair: separators first (line 1, then any line of blanks or
// commas, each value placed in its column or the file refused), then what a
// read of that text finds (a line 6 of separators, a last name without its
// tab, gaps in the frame numbers) and the samples that say NaN, then the
// header's counts against the rows and names the reader takes; last, the
// values read back against the file as given.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "RepairLines.h"
#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/LeadingNumber.h"
#include "tovfileio/text/Phrases.h"

namespace tovfileio::repair {

namespace {

constexpr std::string_view kXYZ = "(X/Y/Z)";
constexpr std::string_view kFieldSeparators = " \t,";

void Change(std::vector<RepairChange>& changes, const Line& line, std::string text) {
    changes.push_back(RepairChange{line.number, std::move(text)});
}

// Line 1 as "PathFileType<TAB>type<TAB>(X/Y/Z)<TAB>path", the path kept as
// written (blanks and all), and what stood between the fields in words;
// false when the line is not of that shape.
bool TabbedFirstLine(std::string_view text, std::string& rewritten, std::string& said) {
    const std::size_t keywordEnd = text.find_first_of(kFieldSeparators);
    if (keywordEnd == text.npos) return false;
    const std::string_view keyword = text.substr(0, keywordEnd);
    const std::size_t typeBegin = text.find_first_not_of(kFieldSeparators, keywordEnd);
    if (typeBegin == text.npos) return false;
    const std::size_t typeEnd = std::min(text.find_first_of(kFieldSeparators, typeBegin), text.size());
    const std::string_view type = text.substr(typeBegin, typeEnd - typeBegin);
    const std::size_t xyzBegin = text.find_first_not_of(kFieldSeparators, typeEnd);
    if (xyzBegin == text.npos || text.substr(xyzBegin, kXYZ.size()) != kXYZ) return false;
    if (keyword != "PathFileType" || type.find_first_not_of("0123456789") != type.npos) return false;
    const std::string_view afterXYZ = text.substr(xyzBegin + kXYZ.size());
    const std::size_t pathBegin = std::min(afterXYZ.find_first_not_of(kFieldSeparators), afterXYZ.size());
    const std::string_view path = afterXYZ.substr(pathBegin);
    rewritten = std::string(keyword) + '\t' + std::string(type) + '\t' + std::string(kXYZ);
    if (!path.empty()) rewritten += '\t' + std::string(path);

    // The separators that were not one tab.
    const std::string_view separators[3] = {text.substr(keywordEnd, typeBegin - keywordEnd),
                                            text.substr(typeEnd, xyzBegin - typeEnd),
                                            afterXYZ.substr(0, pathBegin)};
    const char* after[3] = {"PathFileType", "the path-file type", "(X/Y/Z)"};
    std::vector<std::string> blanks;
    std::size_t present = 0;
    for (int i = 0; i < 3; ++i) {
        if (i == 2 && path.empty()) break;
        ++present;
        if (!separators[i].empty() && separators[i] != "\t") blanks.push_back(after[i]);
    }
    const bool joined = !path.empty() && separators[2].empty();
    if (blanks.size() == present && present > 0) {
        said = "fields separated by blanks; written with tabs";
    } else {
        for (std::size_t i = 0; i < blanks.size(); ++i) said += (i == 0 ? "blanks after " : " and after ") + blanks[i];
        if (joined) said += std::string(said.empty() ? "" : " and ") + "no tab after (X/Y/Z)";
        said += "; written with tabs";
    }
    return rewritten != text;
}

// A header line of fields between blanks, as tabs give them: names on line
// 4 three fields apart (each marker's X, Y and Z columns), the labels of
// line 5 after the empty frame and time fields, line 2 field for field.
std::string TabbedHeaderLine(std::string_view text, std::uint64_t lineNumber) {
    const std::vector<std::string_view> tokens = Tokens(text, " ");
    std::string tabbed;
    if (lineNumber == 4 && tokens.size() >= 2) {
        tabbed = std::string(tokens[0]) + '\t' + std::string(tokens[1]);
        for (std::size_t i = 2; i < tokens.size(); ++i) tabbed += '\t' + std::string(tokens[i]) + "\t\t";
        return tabbed;
    }
    if (lineNumber == 5) return "\t\t" + JoinWithTabs(tokens);
    return JoinWithTabs(tokens);
}

bool HoldsBlankSeparatedFields(std::string_view text) {
    return text.find('\t') == text.npos && Tokens(text, " ").size() > 1;
}

// The fields of a line that are not blank: between tabs when it has any,
// else between blanks.
std::vector<std::string_view> FilledFields(std::string_view text) {
    std::vector<std::string_view> filled;
    const bool tabbed = text.find('\t') != text.npos;
    for (std::string_view field : tabbed ? TabFields(text) : Tokens(text, " ")) {
        if (field.find_first_not_of(' ') != field.npos) filled.push_back(field);
    }
    return filled;
}

// What lines 2 to 5 say of the fields a line has: the keywords of line 2,
// the markers line 3 gives under NumMarkers, the names of line 4 and the
// labels of line 5 (three a marker).
struct FieldCounts {
    std::size_t keywords = 0;
    std::optional<std::size_t> numMarkers;
    std::size_t names = 0;
    std::size_t labels = 0;

    // The fields of a data row, 2 and 3 a marker, when NumMarkers, the names
    // and the labels agree on the markers; 0 when they do not.
    std::size_t RowFields() const {
        const bool agree = numMarkers == names && labels == 3 * names;
        return agree ? 2 + 3 * names : 0;
    }
    // Whether the names of line 4 are the markers the labels count, or
    // NumMarkers gives when line 5 holds no labels: then no name holds a
    // blank, and each stands in its own three columns.
    bool NamesCertain() const {
        return labels > 0 ? labels == 3 * names : numMarkers == names;
    }
};

FieldCounts CountFields(const std::vector<Line>& lines) {
    FieldCounts counts;
    if (lines.size() < 5) return counts;
    const std::vector<std::string_view> keywords = FilledFields(lines[1].text);
    const std::vector<std::string_view> values = FilledFields(lines[2].text);
    counts.keywords = keywords.size();
    // Under its keyword, or fourth, where the reader takes it.
    const auto at = std::find(keywords.begin(), keywords.end(), "NumMarkers");
    const std::size_t index =
        at == keywords.end() ? 3 : static_cast<std::size_t>(at - keywords.begin());
    if (index < values.size() &&
        values[index].find_first_not_of("0123456789") == values[index].npos) {
        counts.numMarkers = static_cast<std::size_t>(tovtext::LeadingInt(values[index]));
    }
    const std::size_t named = FilledFields(lines[3].text).size();
    counts.names = named >= 2 ? named - 2 : 0;  // after "Frame#" and "Time"
    counts.labels = FilledFields(lines[4].text).size();
    return counts;
}

// Why the values of `line` cannot be placed (`what` of them), a line of
// `fields` fields (0: the header does not say).
std::string NotPlaced(const Line& line, std::string_view text, std::size_t fields,
                      const std::string& what) {
    const auto separators = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; }));
    const std::string values = std::to_string(Tokens(text, " \t").size());
    const std::string n = std::to_string(fields);
    return "line " + std::to_string(line.number) + ": " + what +
           " cannot be placed with certainty: a run of blanks stands between two values, and " +
           (fields == 0 ? std::string("NumMarkers, the names of line 4 and the labels of line 5 "
                                      "do not agree on the fields of a row")
                        : "the line's " + std::to_string(separators) + " separators and " + values +
                              " values are not the " + std::to_string(fields - 1) +
                              " separators or the " + n + " values of its " + n + " fields");
}

// Blanks where tabs belong on line `index`, placed as CountFields says;
// empty, or why the fields cannot be placed with certainty.
std::string TabbedBlankLine(Line& line, std::size_t index, const FieldCounts& counts,
                            std::vector<RepairChange>& changes) {
    const std::string_view text = line.text;
    // Rows from line 6 on, but comments, which hold no fields.
    const bool header = index <= 4;
    if (header ? !HoldsBlankSeparatedFields(text)
               : text.starts_with('#') || !BlanksSeparateRow(text)) {
        return {};
    }
    std::string said = text.find('\t') == text.npos ? "fields separated by blanks"
                                                    : "fields separated by tabs and blanks";
    if (index == 3 && !counts.NamesCertain()) {
        return "line 4: its " + std::to_string(counts.names) + " marker names are not the " +
               (counts.labels > 0 ? std::to_string(counts.labels / 3) + " markers of line 5's " +
                                        std::to_string(counts.labels) + " labels"
                                  : "NumMarkers of line 3") +
               ": the names cannot be placed with certainty";
    }
    if (index != 2 && header) {
        line.text = TabbedHeaderLine(text, line.number);
    } else {
        // Header values under their keywords, row fields in their columns.
        const std::size_t fields = index == 2 ? counts.keywords : counts.RowFields();
        std::string tabbed;
        bool empties = false;
        if (!PlacedFields(text, fields, tabbed, empties)) {
            return NotPlaced(line, text, fields, index == 2 ? "its values" : "its empty fields");
        }
        if (empties) said += ", a run of k holding k - 1 empty fields";
        line.text = std::move(tabbed);
    }
    Change(changes, line, said + "; written with tabs");
    return {};
}

// Commas or blanks where tabs belong, as the reader's verdict on line 1
// says; empty, or why the fields of a line cannot be placed with certainty.
std::string RepairSeparators(std::vector<Line>& lines, const findingdetail::TrcLayout& layout,
                             std::vector<RepairChange>& changes) {
    if (layout.commas) {
        for (Line& line : lines) {
            if (line.text.find(',') == std::string::npos) continue;
            std::replace(line.text.begin(), line.text.end(), ',', '\t');
            Change(changes, line, "fields separated by commas; written with tabs");
        }
        return {};
    }
    std::string first;
    std::string said;
    if (lines.empty() || !TabbedFirstLine(lines[0].text, first, said)) return {};
    lines[0].text = first;
    Change(changes, lines[0], said);
    const FieldCounts counts = CountFields(lines);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string refused = TabbedBlankLine(lines[i], i, counts, changes);
        if (!refused.empty()) return refused;
    }
    return {};
}

// The digits after the point of a number field.
int Decimals(std::string_view field) {
    const std::size_t point = field.find('.');
    if (point == field.npos) return 0;
    std::size_t digits = 0;
    while (point + 1 + digits < field.size() &&
           field[point + 1 + digits] >= '0' && field[point + 1 + digits] <= '9') {
        ++digits;
    }
    return static_cast<int>(std::min<std::size_t>(digits, 17));
}

struct Row {
    std::size_t index;  // in the lines
    std::int64_t frame;
};

// The data rows: the lines after the header whose first field is a frame
// number.
std::vector<Row> DataRows(const std::vector<Line>& lines) {
    std::vector<Row> rows;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const std::string_view text = lines[i].text;
        const std::string_view first = text.substr(0, text.find('\t'));
        if (first.empty() || first.find_first_not_of("0123456789-+ ") != first.npos) continue;
        rows.push_back(Row{i, tovtext::LeadingInt(first)});
    }
    return rows;
}

// Rows of dropouts for the frames missing between two rows: frame number,
// a time on the line between the rows' times, and every marker field empty.
void PadFrameGaps(std::vector<Line>& lines, std::vector<RepairChange>& changes) {
    const std::vector<Row> rows = DataRows(lines);
    std::vector<Line> padded;
    padded.reserve(lines.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        while (next < rows.size() && rows[next].index < i) ++next;
        const bool gapBefore = next > 0 && next < rows.size() && rows[next].index == i &&
                               rows[next].frame > rows[next - 1].frame + 1;
        if (gapBefore) {
            const Line& before = lines[rows[next - 1].index];
            const std::vector<std::string_view> beforeFields = TabFields(before.text);
            const std::vector<std::string_view> afterFields = TabFields(lines[i].text);
            const std::int64_t from = rows[next - 1].frame;
            const std::int64_t to = rows[next].frame;
            const bool timed = beforeFields.size() > 1 && afterFields.size() > 1;
            const double t0 = timed ? tovtext::LeadingDouble(beforeFields[1]) : 0.0;
            const double t1 = timed ? tovtext::LeadingDouble(afterFields[1]) : 0.0;
            const int decimals = timed ? std::max(Decimals(beforeFields[1]), Decimals(afterFields[1])) : 0;
            const std::size_t markerFields = beforeFields.size() > 2 ? beforeFields.size() - 2 : 0;
            for (std::int64_t frame = from + 1; frame < to; ++frame) {
                std::string row = std::to_string(frame) + '\t';
                if (timed) {
                    char time[tovtext::kFixedRoom];
                    const double t = t0 + (t1 - t0) * static_cast<double>(frame - from) /
                                              static_cast<double>(to - from);
                    row.append(time, tovtext::WriteFixed(time, t, decimals));
                }
                row.append(markerFields, '\t');
                padded.push_back(Line{std::move(row), before.end, 0});
            }
            const std::string missing = to - from == 2 ? "frame " + std::to_string(from + 1)
                                                       : "frames " + std::to_string(from + 1) + "-" +
                                                             std::to_string(to - 1);
            Change(changes, lines[i],
                   missing + " missing before the row of frame " + std::to_string(to) +
                       "; written as rows of dropouts");
        }
        padded.push_back(lines[i]);  // copied: a later gap reads the row before it
    }
    lines = std::move(padded);
}

// Every sample of a data row that says NaN in any of its fields, written
// as three empty fields, the layout's own dropout: the host's import reads
// NaN as 0. The last sample of a row that ends before its markers do keeps
// as many fields as it has, so the row ends in an empty field and the
// markers after it read as dropouts too, as they read its NaN.
void EmptyNanSamples(std::vector<Line>& lines, std::vector<RepairChange>& changes) {
    const std::size_t sampleEnd = 2 + 3 * SampleSlots(lines);
    for (const std::size_t at : RowLines(lines)) {
        if (at == kNoLine) continue;
        const std::vector<std::string_view> fields = TabFields(lines[at].text);
        std::vector<std::string_view> written = fields;
        for (std::size_t column = 2; column < std::min(fields.size(), sampleEnd); column += 3) {
            if (!NanSample(fields, column)) continue;
            for (std::size_t c = column; c < std::min(column + 3, fields.size()); ++c) written[c] = {};
        }
        if (written == fields) continue;
        lines[at].text = JoinWithTabs(written);
        Change(changes, lines[at], "samples that say NaN; written as empty fields (dropouts)");
    }
}

// The header's NumFrames or NumMarkers (`keyword`, a field of line 2) as
// `value` on line 3.
void RewriteCount(std::vector<Line>& lines, std::string_view keyword, std::int64_t written,
                  std::uint64_t value, std::string_view counted, std::vector<RepairChange>& changes) {
    if (lines.size() < 3) return;
    const std::vector<std::string_view> keywords = TabFields(lines[1].text);
    const auto at = std::find(keywords.begin(), keywords.end(), keyword);
    if (at == keywords.end()) return;
    const std::size_t index = static_cast<std::size_t>(at - keywords.begin());
    std::vector<std::string_view> values = TabFields(lines[2].text);
    if (index >= values.size()) return;
    const std::string number = std::to_string(value);
    values[index] = number;
    lines[2].text = JoinWithTabs(values);
    Change(changes, lines[2],
           std::string(keyword) + " " + std::to_string(written) + " against " + std::to_string(value) +
               " " + std::string(counted) + "; written as " + number);
}

// Line 3 with empty fields between its values where line 2 has its
// keywords one to a field: each value written under its keyword.
void RepairHeaderValueFields(std::vector<Line>& lines, std::vector<RepairChange>& changes) {
    if (lines.size() < 3) return;
    auto filled = [](const std::vector<std::string_view>& fields) {
        std::vector<std::string_view> kept;
        for (std::string_view field : fields) {
            if (field.find_first_not_of(' ') != field.npos) kept.push_back(field);
        }
        return kept;
    };
    const std::vector<std::string_view> keywordFields = TabFields(lines[1].text);
    const std::vector<std::string_view> keywords = filled(keywordFields);
    const std::vector<std::string_view> valueFields = TabFields(lines[2].text);
    const std::vector<std::string_view> values = filled(valueFields);
    const bool keywordsTogether = std::equal(keywords.begin(), keywords.end(), keywordFields.begin());
    const bool valuesApart = !std::equal(values.begin(), values.end(), valueFields.begin());
    if (!keywordsTogether || !valuesApart || values.size() != keywords.size()) return;
    lines[2].text = JoinWithTabs(values);
    Change(changes, lines[2], "header values with empty fields between them; written one under each keyword");
}

}  // namespace

// A line whose separators are blanks or tabs, any mix, written with tabs so
// that each value keeps its column: that is certain when the line holds
// exactly the separators its `fields` fields need (none of its fields then
// holds a blank, and a run of k separators between two values holds k - 1
// empty fields); when it holds exactly `fields` values (none is empty, and
// blanks beside a value are padding); or when it starts with a value and no
// run between two values is longer than one, so no value stands elsewhere
// however the runs are read (a run after the last value then holds the
// empty fields the line ends in, up to the row's end). False when none holds.
bool PlacedFields(std::string_view text, std::size_t fields, std::string& tabbed, bool& empties) {
    constexpr std::string_view kSeparators = " \t";
    auto separator = [&](char c) { return kSeparators.find(c) != kSeparators.npos; };
    const auto count = static_cast<std::size_t>(std::count_if(text.begin(), text.end(), separator));
    const std::vector<std::string_view> values = Tokens(text, kSeparators);
    const std::size_t last = text.find_last_not_of(kSeparators);
    // Empty fields before the last value: a separator first, or a run of
    // them between two values.
    empties = !text.empty() && separator(text.front());
    for (std::size_t i = 0; i + 1 < text.size() && i < last; ++i) {
        empties = empties || (separator(text[i]) && separator(text[i + 1]));
    }
    if (count + 1 == fields) {
        tabbed.assign(text);
    } else if (values.size() == fields && fields > 0) {
        empties = false;
        tabbed = JoinWithTabs(values);
        return true;
    } else if (!empties && last != text.npos) {
        const std::size_t trailing = text.size() - last - 1;
        const std::size_t room = fields > values.size() ? fields - values.size() : 0;
        const std::size_t kept = fields == 0 ? trailing : std::min(trailing, room);
        tabbed.assign(text.substr(0, last + 1 + kept));
    } else {
        return false;
    }
    std::replace_if(tabbed.begin(), tabbed.end(), separator, '\t');
    return true;
}

RepairResult RepairTrc(std::string_view bytes, const Reading& asGiven) {
    std::vector<Line> lines = SplitLines(bytes);
    std::vector<RepairChange> changes;
    bool commas = false;
    const std::size_t rowFields = CountFields(lines).RowFields();
    if (const ReadFinding* layout = asGiven.Find(ReadFindingCode::kTrcLayoutNotXYZ)) {
        if (const auto* detail = layout->Get<findingdetail::TrcLayout>()) {
            commas = detail->commas;
            if (std::string refused = RepairSeparators(lines, *detail, changes); !refused.empty()) {
                return Refusal(asGiven, std::move(refused));
            }
        }
    }

    RepairHeaderValueFields(lines, changes);

    // What a read of the tabbed text finds in lines 4 and 6.
    Reading tabbed = ReadTrcText(JoinLines(lines));
    if (const ReadFinding* row = tabbed.Find(ReadFindingCode::kTrcSeparatorRow);
        row != nullptr && row->line >= 1 && row->line <= lines.size()) {
        Line& line = lines[row->line - 1];
        line.text.clear();
        Change(changes, line, "only separators where the blank line belongs; written empty");
    }
    if (const ReadFinding* name = tabbed.Find(ReadFindingCode::kTrcLastNameUnread);
        name != nullptr && name->line >= 1 && name->line <= lines.size()) {
        Line& line = lines[name->line - 1];
        line.text += '\t';
        Change(changes, line,
               "the last marker name, " + Quoted(name->found) +
                   ", ends the line without a tab; one written after it");
    }
    EmptyNanSamples(lines, changes);
    if (tabbed.Find(ReadFindingCode::kFrameGaps) != nullptr) PadFrameGaps(lines, changes);

    // The counts against what the reader takes from the text as it now is,
    // when it takes the rows (for NumFrames) or the names and their columns
    // (for NumMarkers) where the file puts them: a row lost, or names read
    // from other columns, would make a count wrong too.
    const Reading counted = ReadTrcText(JoinLines(lines));
    auto shiftedBesides = [&](std::initializer_list<ReadFindingCode> besides) {
        return std::any_of(counted.findings.begin(), counted.findings.end(), [&](const ReadFinding& f) {
            return f.effect == ReadFinding::Effect::kShift &&
                   std::find(besides.begin(), besides.end(), f.code) == besides.end();
        });
    };
    using Code = ReadFindingCode;
    const ReadFinding* rows = counted.Find(Code::kTrcRowCount);
    if (rows != nullptr && !shiftedBesides({Code::kTrcRowCount, Code::kTrcMarkerCount, Code::kTrcWideRows,
                                            Code::kTrcNameOffColumn, Code::kTrcMarkersUnseen})) {
        if (const auto* detail = rows->Get<findingdetail::TrcRowCount>()) {
            RewriteCount(lines, "NumFrames", detail->headerFrames, detail->rowsRead, "data rows", changes);
        }
    }
    const ReadFinding* markers = counted.Find(Code::kTrcMarkerCount);
    if (markers != nullptr && !shiftedBesides({Code::kTrcRowCount, Code::kTrcMarkerCount})) {
        if (const auto* detail = markers->Get<findingdetail::TrcMarkerCount>()) {
            RewriteCount(lines, "NumMarkers", detail->headerMarkers, detail->markersNamed,
                         "marker names", changes);
        }
    }
    // Kept only when every value reads back where the file as given has it.
    RepairResult result = Verdict(lines, std::move(changes), asGiven, ReadTrcText);
    if (!result.Repaired() || result.changes.empty()) return result;
    std::string moved = MovedTrcValue(SplitLines(bytes), lines, commas, rowFields);
    return moved.empty() ? result : Refusal(asGiven, std::move(moved));
}

}  // namespace tovfileio::repair
