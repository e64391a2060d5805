// The TRC repair: separators first (line 1, then any line of blanks or
// commas), then what a read of that text finds (a line 6 of separators, a
// last name without its tab, gaps in the frame numbers), then the header's
// counts against the rows and names the reader takes.
#include <algorithm>
#include <cstdlib>

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

// A line of fields between blanks, as tabs give them: names on line 4 three
// fields apart (each marker's X, Y and Z columns), the labels of line 5
// after the empty frame and time fields, every other line field for field.
std::string TabbedBlankLine(std::string_view text, std::uint64_t lineNumber) {
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

// Commas or blanks where tabs belong, as the reader's verdict on line 1 says.
void RepairSeparators(std::vector<Line>& lines, const findingdetail::TrcLayout& layout,
                      std::vector<RepairChange>& changes) {
    if (layout.commas) {
        for (Line& line : lines) {
            if (line.text.find(',') == std::string::npos) continue;
            std::replace(line.text.begin(), line.text.end(), ',', '\t');
            Change(changes, line, "fields separated by commas; written with tabs");
        }
        return;
    }
    std::string first;
    std::string said;
    if (lines.empty() || !TabbedFirstLine(lines[0].text, first, said)) return;
    lines[0].text = first;
    Change(changes, lines[0], said);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!HoldsBlankSeparatedFields(lines[i].text)) continue;
        lines[i].text = TabbedBlankLine(lines[i].text, lines[i].number);
        Change(changes, lines[i], "fields separated by blanks; written with tabs");
    }
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

RepairResult RepairTrc(std::string_view bytes, const Reading& asGiven) {
    std::vector<Line> lines = SplitLines(bytes);
    std::vector<RepairChange> changes;
    if (const ReadFinding* layout = asGiven.Find(ReadFindingCode::kTrcLayoutNotXYZ)) {
        if (const auto* detail = layout->Get<findingdetail::TrcLayout>()) {
            RepairSeparators(lines, *detail, changes);
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
    return Verdict(lines, std::move(changes), asGiven, ReadTrcText);
}

}  // namespace tovfileio::repair
