// The HTR repair: one walk over the sections finds the header's keywords,
// the hierarchy, the base position and the frame sections; the rotations of
// a file in another Euler order are converted to the reader's, and the
// header's counts are made those of the file.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <unordered_map>

#include "RepairLines.h"
#include "tovfileio/math/TOVRotation.h"
#include "tovfileio/text/LeadingNumber.h"
#include "tovfileio/text/Phrases.h"

namespace tovfileio::repair {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kNumberSeparators = " \t,";

std::string_view WithoutComment(std::string_view text) {
    text = text.substr(0, text.find('#'));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

int AxisOf(char letter) {
    switch (letter) {
        case 'X': case 'x': return 0;
        case 'Y': case 'y': return 1;
        case 'Z': case 'z': return 2;
        default: return -1;
    }
}

// The math library's order for an HTR order name of three different axes.
// HTR's "ABC" turns about A, then about B as A left it, then about C. Its
// angles, by axis, are the columns Rx, Ry, Rz. Orders that repeat an axis
// have no reading in those three columns.
std::optional<TOVEulerOrder> OrderNamed(std::string_view name) {
    if (name.size() != 3) return std::nullopt;
    const int a = AxisOf(name[0]), b = AxisOf(name[1]), c = AxisOf(name[2]);
    if (a < 0 || b < 0 || c < 0 || a == b || b == c || a == c) return std::nullopt;
    return TOVEulerOrder::Turning(a, b, c, TOVTurnAxes::kMoving);
}

std::string Shortest(double value) {
    if (value == 0.0) value = 0.0;  // no "-0"
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

struct RotationConversion {
    TOVEulerOrder from;
    double toRadians;  // 1 for a file of radians
    std::string name;  // as the header writes it
};

// The reader's order: the fixed axes X, Y, Z, which HTR calls ZYX.
constexpr TOVEulerOrder kReaderOrder = TOVEulerOrder::Turning(0, 1, 2, TOVTurnAxes::kFixed);

// Rx, Ry, Rz in `from` as the same rotation in the reader's order.
void ConvertAngles(const RotationConversion& conversion, double (&byAxis)[3]) {
    const std::array<int, 3> axes = conversion.from.AngleAxes();
    const double k = conversion.toRadians;
    const TOVEulerRotation<double> given(byAxis[axes[0]] * k, byAxis[axes[1]] * k, byAxis[axes[2]] * k,
                                         conversion.from);
    TOVEulerRotation<double> zyx(0.0, 0.0, 0.0, kReaderOrder);
    zyx.SetFromMatrix(TOVRotationMatrix3<double>(given));
    byAxis[0] = zyx.angles.x() / k;
    byAxis[1] = zyx.angles.y() / k;
    byAxis[2] = zyx.angles.z() / k;
}

// A base or frame line (a name or frame number, then seven numbers) with
// tabs between its fields and its rotation in the reader's order; the words
// of what changed, empty when nothing did.
std::string RewriteValueLine(Line& line, const RotationConversion* conversion) {
    const std::string_view content = WithoutComment(line.text);
    const std::string_view comment = std::string_view(line.text).substr(content.size());
    std::vector<std::string_view> fields = Tokens(content, kNumberSeparators);
    const bool commas = content.find(',') != content.npos;
    if (fields.size() < 8 || (!commas && conversion == nullptr)) return std::string();
    std::string angles[3];
    if (conversion != nullptr) {
        double byAxis[3];
        for (int axis = 0; axis < 3; ++axis) byAxis[axis] = tovtext::LeadingDouble(fields[4 + axis]);
        ConvertAngles(*conversion, byAxis);
        for (int axis = 0; axis < 3; ++axis) {
            angles[axis] = Shortest(byAxis[axis]);
            fields[4 + axis] = angles[axis];
        }
    }
    std::string text = JoinWithTabs(fields);
    text += comment;
    line.text = std::move(text);
    std::string said;
    if (conversion != nullptr) said = "rotation in " + conversion->name + " order; written in ZYX";
    if (commas) said += said.empty() ? "numbers separated by commas; written with tabs" : ", with tabs for commas";
    return said;
}

enum class Section { kNone, kHeader, kHierarchy, kBase, kFrames, kEnd };

struct HeaderWord {
    std::size_t index = 0;  // in the lines
    std::string_view value;
    bool found = false;
};

struct FileShape {
    HeaderWord numSegments, numFrames, order, rotationUnits;
    std::size_t headerEnd = 0;  // the line of the first section after the header
    bool hasHierarchy = false;
    std::uint64_t hierarchyNames = 0;
    std::size_t baseSection = 0;  // the [BasePosition] line
    bool hasBase = false;
    std::vector<std::size_t> baseLines;
    std::vector<std::size_t> frameLines;
    std::uint64_t framesHeld = 0;  // the most frame lines of one section
    bool sectionsDiffer = false;
};

bool IsEndOfFile(std::string_view name) {
    return name == "EndOfFile" || name == "EndofFile" || name == "ENDOFFILE" || name == "endoffile";
}

FileShape Walk(const std::vector<Line>& lines) {
    FileShape shape;
    Section section = Section::kNone;
    std::uint64_t sectionFrames = 0;
    bool anySection = false;
    auto closeFrames = [&] {
        if (section != Section::kFrames) return;
        if (anySection && sectionFrames != shape.framesHeld) shape.sectionsDiffer = true;
        shape.framesHeld = std::max(shape.framesHeld, sectionFrames);
        anySection = true;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content = WithoutComment(lines[i].text);
        if (!content.empty() && content.front() == '[') {
            std::string_view name = content.substr(1);
            name = name.substr(0, name.find(']'));
            closeFrames();
            if (section == Section::kHeader) shape.headerEnd = i;
            sectionFrames = 0;
            if (name == "Header") {
                section = Section::kHeader;
            } else if (name == "SegmentNames&Hierarchy") {
                section = Section::kHierarchy;
                shape.hasHierarchy = true;
            } else if (name == "BasePosition") {
                section = Section::kBase;
                shape.hasBase = true;
                shape.baseSection = i;
            } else {
                section = IsEndOfFile(name) ? Section::kEnd : Section::kFrames;
            }
            continue;
        }
        const std::vector<std::string_view> tokens = Tokens(content, kBlanks);
        if (tokens.empty()) continue;
        switch (section) {
            case Section::kHeader: {
                HeaderWord* word = tokens[0] == "NumSegments"          ? &shape.numSegments
                                   : tokens[0] == "NumFrames"          ? &shape.numFrames
                                   : tokens[0] == "EulerRotationOrder" ? &shape.order
                                   : tokens[0] == "RotationUnits"      ? &shape.rotationUnits
                                                                       : nullptr;
                if (word != nullptr && tokens.size() > 1) *word = HeaderWord{i, tokens.back(), true};
                break;
            }
            case Section::kHierarchy: ++shape.hierarchyNames; break;
            case Section::kBase: shape.baseLines.push_back(i); break;
            case Section::kFrames:
                shape.frameLines.push_back(i);
                ++sectionFrames;
                break;
            default: break;
        }
    }
    closeFrames();
    return shape;
}

// The header line of `word` with its value `value`.
void RewriteValue(Line& line, const HeaderWord& word, std::string_view value) {
    const std::size_t at = static_cast<std::size_t>(word.value.data() - line.text.data());
    line.text.replace(at, word.value.size(), value);
}

// Keywords written in another letter case, as the reader's findings name
// them; those that only check the file stay as written, since the value
// then checked might refuse what reads today.
void RepairKeywordCase(std::vector<Line>& lines, const Reading& asGiven, std::vector<RepairChange>& changes) {
    for (const ReadFinding& finding : asGiven.findings) {
        const auto* detail = finding.Get<findingdetail::HtrKeywordCase>();
        if (detail == nullptr || detail->checksOnly || finding.line == 0 || finding.line > lines.size()) continue;
        Line& line = lines[finding.line - 1];
        const std::size_t at = line.text.find(finding.found);
        if (at == std::string::npos) continue;
        line.text.replace(at, finding.found.size(), detail->keyword);
        changes.push_back(RepairChange{line.number, Quoted(finding.found) + " in another letter case; written as " +
                                                        detail->keyword});
    }
}

}  // namespace

RepairResult RepairHtr(std::string_view bytes, const Reading& asGiven) {
    std::vector<Line> lines = SplitLines(bytes);
    std::vector<RepairChange> changes;
    RepairKeywordCase(lines, asGiven, changes);
    const FileShape shape = Walk(lines);

    std::optional<RotationConversion> conversion;
    if (shape.order.found && shape.order.value != "ZYX") {
        if (const std::optional<TOVEulerOrder> order = OrderNamed(shape.order.value)) {
            const std::string_view units = shape.rotationUnits.found ? shape.rotationUnits.value : "";
            const bool radians = !units.empty() && (units[0] == 'R' || units[0] == 'r');
            conversion = RotationConversion{*order, radians ? 1.0 : std::numbers::pi / 180.0,
                                            std::string(shape.order.value)};
        }
    }
    for (std::size_t index : shape.baseLines) {
        std::string said = RewriteValueLine(lines[index], conversion ? &*conversion : nullptr);
        if (!said.empty()) changes.push_back(RepairChange{lines[index].number, "base " + said});
    }
    for (std::size_t index : shape.frameLines) {
        std::string said = RewriteValueLine(lines[index], conversion ? &*conversion : nullptr);
        if (!said.empty()) changes.push_back(RepairChange{lines[index].number, "frame " + said});
    }
    if (conversion) {
        Line& line = lines[shape.order.index];
        changes.push_back(RepairChange{line.number, "EulerRotationOrder " + conversion->name +
                                                        "; written as ZYX, the rotations converted"});
        RewriteValue(line, shape.order, "ZYX");
    }

    const std::uint64_t segments = shape.hasHierarchy ? shape.hierarchyNames : shape.baseLines.size();
    if (shape.numSegments.found &&
        tovtext::LeadingInt(shape.numSegments.value) != static_cast<std::int64_t>(segments)) {
        Line& line = lines[shape.numSegments.index];
        changes.push_back(RepairChange{line.number, "NumSegments " + std::string(shape.numSegments.value) +
                                                        " against " + Counted(segments, "segment", "segments") +
                                                        "; written as " + std::to_string(segments)});
        RewriteValue(line, shape.numSegments, std::to_string(segments));
    }
    const std::string held = std::to_string(shape.framesHeld);
    const std::string heldWords = shape.sectionsDiffer ? "the most frames a segment holds" : "the frames each segment holds";
    std::vector<std::pair<std::size_t, Line>> inserts;  // before the line of that index
    if (shape.numFrames.found) {
        if (std::to_string(tovtext::LeadingInt(shape.numFrames.value)) != held &&
            !shape.frameLines.empty()) {
            Line& line = lines[shape.numFrames.index];
            changes.push_back(RepairChange{line.number, "NumFrames " + std::string(shape.numFrames.value) +
                                                            " against " + heldWords + "; written as " + held});
            RewriteValue(line, shape.numFrames, held);
        }
    } else if (!shape.frameLines.empty() && shape.headerEnd > 0) {
        const std::size_t after = shape.numSegments.found ? shape.numSegments.index : shape.headerEnd - 1;
        const Line& near = lines[after];
        changes.push_back(RepairChange{near.number, "no NumFrames; one written after this line, " + held +
                                                        ", " + heldWords});
        inserts.emplace_back(after + 1, Line{"NumFrames " + held, near.end, 0});
    }
    if (!shape.hasHierarchy && shape.hasBase && !shape.baseLines.empty()) {
        const Line& base = lines[shape.baseSection];
        changes.push_back(RepairChange{base.number, "no [SegmentNames&Hierarchy] section; one written before "
                                                    "[BasePosition], each of its " +
                                                        Counted(segments, "segment", "segments") +
                                                        " under GLOBAL"});
        inserts.emplace_back(shape.baseSection, Line{"[SegmentNames&Hierarchy]", base.end, 0});
        for (std::size_t index : shape.baseLines) {
            const std::vector<std::string_view> fields = Tokens(WithoutComment(lines[index].text), kNumberSeparators);
            inserts.emplace_back(shape.baseSection, Line{std::string(fields[0]) + "\tGLOBAL", base.end, 0});
        }
    }
    if (!inserts.empty()) {
        std::vector<Line> withInserts;
        withInserts.reserve(lines.size() + inserts.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            for (; next < inserts.size() && inserts[next].first == i; ++next) {
                withInserts.push_back(std::move(inserts[next].second));
            }
            withInserts.push_back(std::move(lines[i]));
        }
        lines = std::move(withInserts);
    }
    return Verdict(lines, std::move(changes), asGiven, ReadHtrText);
}

}  // namespace tovfileio::repair
