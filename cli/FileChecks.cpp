#include "cli/FileChecks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "cli/FileFormat.h"
#include "htr/CalibrationUnits.h"
#include "htr/HTRFile.h"
#include "text/LeadingNumber.h"
#include "trc/TRCFile.h"

namespace {

// The lines of a file as bytes, a carriage return before the line feed
// dropped; one reused buffer. UTF-16 files give no lines: the raw checks
// leave them alone and only the model is checked.
class Lines {
public:
    explicit Lines(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
    ~Lines() {
        std::free(buffer_);
        if (file_ != nullptr) std::fclose(file_);
    }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    bool Next(std::string_view& line) {
        if (file_ == nullptr) return false;
        const ssize_t n = ::getline(&buffer_, &capacity_, file_);
        if (n < 0) return false;
        std::size_t size = static_cast<std::size_t>(n);
        if (size > 0 && buffer_[size - 1] == '\n') --size;
        if (size > 0 && buffer_[size - 1] == '\r') --size;
        line = std::string_view(buffer_, size);
        if (number_++ == 0) {
            if (line.size() >= 2 && ((line[0] == '\xFF' && line[1] == '\xFE') ||
                                     (line[0] == '\xFE' && line[1] == '\xFF'))) {
                return false;
            }
            if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        }
        return true;
    }
    // The number of the line Next gave last, from 1.
    std::uint64_t Number() const { return number_; }

private:
    std::FILE* file_;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint64_t number_ = 0;
};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// True for a field a number conversion reads whole: digits, signs, a point
// and exponents only, with a digit somewhere.
bool IsNumber(std::string_view field) {
    bool digit = false;
    for (const char c : field) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
            return false;
        }
    }
    return digit;
}

// The column of byte `offset` of `line`, from 1, counting characters.
std::uint64_t ColumnOf(std::string_view line, std::size_t offset) {
    offset = std::min(offset, line.size());
    return 1 + static_cast<std::uint64_t>(std::count_if(
                   line.begin(), line.begin() + static_cast<std::ptrdiff_t>(offset),
                   [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The column where `part`, a view into `line`, starts.
std::uint64_t ColumnOf(std::string_view line, std::string_view part) {
    return ColumnOf(line, static_cast<std::size_t>(part.data() - line.data()));
}

using Effect = Finding::Effect;

Finding Found(std::uint64_t line, std::uint64_t column, std::string_view found, std::string text,
              Effect effect, bool warning = true) {
    return Finding{line, column, std::string(found), std::move(text), effect, warning};
}

std::string Quoted(std::string_view text) {
    if (text.size() > 40) return "\"" + std::string(text.substr(0, 40)) + "...\"";
    return "\"" + std::string(text) + "\"";
}

// Number fields that hold text: how many, and the first.
struct TextInNumbers {
    std::uint64_t count = 0;
    std::string first;
    std::string firstRaw;
    std::uint64_t firstLine = 0;
    std::uint64_t firstColumn = 0;

    // `field` is a view into `line`.
    void Check(std::string_view field, std::string_view line, std::uint64_t number) {
        field = Trim(field);
        if (field.empty() || IsNumber(field)) return;
        if (count++ == 0) {
            first = Quoted(field);
            firstRaw = std::string(field);
            firstLine = number;
            firstColumn = ColumnOf(line, field);
        }
    }
    std::string Where() const {
        return "first " + first + " on line " + std::to_string(firstLine);
    }
};

// Splits at tabs: `fields[i]` is field i.
void SplitTabs(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    while (true) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return;
        line.remove_prefix(tab + 1);
    }
}

// Splits at runs of spaces and tabs.
void SplitBlanks(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
}

bool HoldsOnlyBlanks(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == ','; });
}

bool IsLabel(std::string_view field) {
    field = Trim(field);
    return field.size() >= 2 && (field[0] == 'X' || field[0] == 'x') &&
           std::all_of(field.begin() + 1, field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void Warnings::Add(const std::string& file, const std::string& text) {
    io_.Err(file + ": warning: " + text + "\n");
    ++count_;
}

std::string Counted(std::uint64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

namespace {

bool IsUnitWord(std::string_view word) {
    for (const char* known : {"mm", "MM", "cm", "CM", "m", "M", "in", "IN", "ft", "FT", "yd", "YD"}) {
        if (word == known) return true;
    }
    return false;
}

// Frame numbers of rows or frame lines, followed for gaps.
struct FrameNumbers {
    bool any = false;
    std::int64_t first = 0, last = 0;
    std::uint64_t firstLine = 0, gaps = 0, gapLine = 0;
    std::int64_t gapFrom = 0, gapTo = 0;

    void Add(std::int64_t frame, std::uint64_t line) {
        if (any && frame != last + 1 && gaps++ == 0) {
            gapLine = line;
            gapFrom = last;
            gapTo = frame;
        }
        if (!any) {
            first = frame;
            firstLine = line;
        }
        any = true;
        last = frame;
    }
    // "frame numbers jump from 12 to 15 (...)" or nothing.
    void Report(std::vector<Finding>& out, const char* where) const {
        if (gaps == 0) return;
        out.push_back(Found(gapLine, 1, std::to_string(gapTo),
                            "frame numbers jump from " + std::to_string(gapFrom) + " to " +
                                std::to_string(gapTo) + " (" + Counted(gaps, "gap", "gaps") + " in " +
                                where + "); the reader numbers frames by their place, so every "
                                "frame after a gap is read as an earlier one",
                            Effect::Shift, false));
    }
};

// Digits after the decimal point of a time field; 9 for anything else.
int Decimals(std::string_view field) {
    field = Trim(field);
    if (field.find_first_of("eE") != std::string_view::npos) return 9;
    const std::size_t point = field.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(field.size() - point - 1);
}

}  // namespace

std::vector<Finding> FindTrcProblems(const std::string& path, const TRCFile& trc) {
    std::vector<Finding> out;
    // The lines as the reader numbers them: a comment or empty line gives its
    // number to the line after it.
    Lines lines(path);
    std::string_view line;
    std::uint64_t number = 0;
    std::vector<std::string_view> fields;
    std::uint64_t nameSlots = 0;
    std::string unreadName;
    bool anyLine = false;
    TextInNumbers text;
    std::uint64_t widerRows = 0, widestRow = 0, firstWider = 0, firstWiderColumn = 0;
    std::uint64_t shortRows = 0, firstShort = 0, firstShortColumn = 0;
    std::string shortField;
    std::int64_t headerMarkers = -1;
    std::uint64_t line3 = 0, framesColumn = 0, markersColumn = 0;
    std::string framesText, markersText;
    // Line 1's path-file type as written and as read, and where the blank stands.
    std::int64_t writtenType = -1, readType = 0;
    Finding typeFinding;
    bool typeBlank = false;
    std::int64_t headerStart = 1;
    std::vector<std::pair<std::string, std::uint64_t>> nameColumns;  // line 4
    std::uint64_t line4 = 0;
    FrameNumbers frames;
    bool anyRow = false;
    double firstTime = 0, lastTime = 0;
    std::int64_t firstTimeFrame = 0, lastTimeFrame = 0;
    int timeDecimals = 9;
    std::uint64_t firstRowLine = 0, lastRowLine = 0;
    while (lines.Next(line)) {
        anyLine = true;
        ++number;
        if (line.empty() || line.front() == '#') {
            if (!lines.Next(line)) line = std::string_view();
        }
        const std::uint64_t physical = lines.Number();
        if (number == 1) {
            SplitTabs(line, fields);
            readType = fields.size() > 1 ? tovtext::LeadingInt(fields[1]) : 0;
            const std::size_t blank = fields[0].find_first_of(" ,");
            if (blank != std::string_view::npos && IsNumber(Trim(fields[0].substr(blank + 1)))) {
                writtenType = tovtext::LeadingInt(Trim(fields[0].substr(blank + 1)));
                typeBlank = true;
                typeFinding = Found(physical, ColumnOf(line, blank), fields[0], "", Effect::Note,
                                    false);
            }
        } else if (number == 3) {
            line3 = physical;
            SplitTabs(line, fields);
            static const char* const kNames[] = {"DataRate", "CameraRate", "NumFrames",
                                                 "NumMarkers"};
            for (std::size_t i = 0; i < 4; ++i) {
                const std::string_view value = i < fields.size() ? Trim(fields[i]) : "";
                const std::uint64_t column =
                    i < fields.size() ? ColumnOf(line, fields[i]) : ColumnOf(line, line.size());
                if (!IsNumber(value)) {
                    out.push_back(Found(physical, column, value,
                                        std::string("line ") + std::to_string(physical) + ": " +
                                            kNames[i] + " holds " + Quoted(value) +
                                            ", not a number; read as " +
                                            std::to_string(tovtext::LeadingInt(value)),
                                        Effect::Misread));
                } else if (i < 2) {
                    const double rate = tovtext::LeadingDouble(value);
                    if (rate != std::floor(rate)) {
                        out.push_back(Found(physical, column, value,
                                            std::string("line ") + std::to_string(physical) + ": " +
                                                kNames[i] + " " + std::string(value) + " is read as " +
                                                std::to_string(static_cast<long long>(rate)) +
                                                " (whole frames per second)",
                                            Effect::Misread));
                    }
                }
                if (i == 2) {
                    framesColumn = column;
                    framesText = std::string(value);
                } else if (i == 3) {
                    markersColumn = column;
                    markersText = std::string(value);
                }
            }
            if (fields.size() > 3 && IsNumber(Trim(fields[3]))) {
                headerMarkers = tovtext::LeadingInt(Trim(fields[3]));
            }
            if (fields.size() > 4 && !IsUnitWord(fields[4])) {
                const std::string_view word = Trim(fields[4]);
                // "mm " is still millimetres, by luck.
                const bool same =
                    IsUnitWord(word) && CalibrationUnitsFromKeyword(word) == kUnitsMillimetres;
                out.push_back(Found(physical, ColumnOf(line, fields[4]), fields[4],
                                    Quoted(fields[4]) + " is not a unit word the reader knows (mm, cm, "
                                    "m, in, ft, yd, exactly); read as mm" +
                                        (same ? std::string(", as meant") : std::string()),
                                    same ? Effect::Note : Effect::Misread, false));
            }
            if (fields.size() > 6) headerStart = tovtext::LeadingInt(fields[6]);
        } else if (number == 4) {
            line4 = physical;
            SplitTabs(line, fields);
            // Names stand in fields 2, 5, 8...; a name needs a tab after it.
            nameSlots = (fields.size() - 1) / 3;
            for (std::size_t i = 2; i < fields.size(); i += 3) {
                nameColumns.emplace_back(std::string(Trim(fields[i])), ColumnOf(line, fields[i]));
            }
            // A name off the columns the reader takes names from shifts the
            // markers: an empty column before the first name, or names two
            // fields apart.
            std::uint64_t written = 0;
            std::size_t offColumn = 0;
            for (std::size_t i = 2; i < fields.size(); ++i) {
                if (Trim(fields[i]).empty()) continue;
                ++written;
                if ((i - 2) % 3 != 0 && offColumn == 0) offColumn = i;
            }
            if (offColumn != 0) {
                const bool emptyFirst = Trim(fields[2]).empty();
                out.push_back(Found(
                    physical, ColumnOf(line, fields[offColumn]), Trim(fields[offColumn]),
                    std::string(emptyFirst ? "an empty column stands before the first name, and " : "") +
                        "the name " + Quoted(Trim(fields[offColumn])) + " stands in field " +
                        std::to_string(offColumn + 1) +
                        " where the reader takes names from fields 3, 6, 9, ...: " +
                        Counted(trc.GetNumMarkers(), "marker is", "markers are") + " read for " +
                        Counted(written, "name", "names") +
                        ", each from another marker's columns",
                    Effect::Shift, false));
            }
            // A last name that ends the line has no tab after it.
            if (fields.size() >= 3 && (fields.size() - 3) % 3 == 0 && !Trim(fields.back()).empty()) {
                unreadName = std::string(Trim(fields.back()));
                out.push_back(Found(physical, ColumnOf(line, fields.back()), unreadName,
                                    "line " + std::to_string(physical) + ": the last marker name, " +
                                        Quoted(unreadName) +
                                        ", ends the line without a tab and is not read",
                                    Effect::Shift));
            }
        } else if (number == 5) {
            SplitTabs(line, fields);
            const auto labels = static_cast<std::uint64_t>(
                std::count_if(fields.begin(), fields.end(), IsLabel));
            if (labels == 0 && trc.GetNumMarkers() > 0) {
                const bool lost = !(HoldsOnlyBlanks(line) || line.empty());
                if (lost) {
                    // The lost row still numbers the first frame.
                    SplitTabs(line, fields);
                    if (IsNumber(Trim(fields[0]))) frames.Add(tovtext::LeadingInt(Trim(fields[0])), physical);
                }
                out.push_back(Found(physical, 0, "",
                                    "line " + std::to_string(physical) +
                                        " stands where the coordinate labels (X1 Y1 Z1 ...) belong; "
                                        "it is not read" +
                                        (lost ? std::string(" (a data row is lost)") : std::string()),
                                    lost ? Effect::Shift : Effect::Note));
            } else if (labels != nameSlots + !unreadName.empty() && labels != 0) {
                out.push_back(Found(physical, 0, "",
                                    "line " + std::to_string(physical) + " labels " +
                                        Counted(labels, "marker", "markers") +
                                        ", the name line names " +
                                        std::to_string(trc.GetNumMarkers()),
                                    Effect::Note));
            }
        } else if (number >= 6) {
            // The blank line: any one character, as the reader takes it.
            if (number == 6 && !line.empty() && line.size() <= 4 &&
                std::count_if(line.begin(), line.end(), [](char c) {
                    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                }) == 1) {
                continue;
            }
            if (number == 6 && HoldsOnlyBlanks(line)) {
                out.push_back(Found(physical, 0, "",
                                    "line " + std::to_string(physical) +
                                        " holds only separators where the blank line belongs; it "
                                        "is read as a data row of dropouts, one frame too many",
                                    Effect::Shift));
            }
            SplitTabs(line, fields);
            std::size_t used = fields.size();
            while (used > 0 && Trim(fields[used - 1]).empty()) --used;
            const std::size_t columns = 2 + 3 * static_cast<std::size_t>(nameSlots);
            if (used > columns) {
                if (widerRows++ == 0) {
                    firstWider = physical;
                    firstWiderColumn = ColumnOf(line, fields[columns]);
                }
                widestRow = std::max<std::uint64_t>(widestRow, used);
            }
            // A row that ends before the markers' columns without a tab: the
            // markers past its end read its last field again.
            if (fields.size() < columns && !fields.back().empty() && nameSlots > 0) {
                if (shortRows++ == 0) {
                    firstShort = physical;
                    firstShortColumn = ColumnOf(line, fields.back());
                    shortField = std::string(fields.back());
                }
            }
            for (std::size_t i = 2; i < std::min(used, columns); ++i) {
                text.Check(fields[i], line, physical);
            }
            if (!fields.empty() && IsNumber(Trim(fields[0]))) {
                frames.Add(tovtext::LeadingInt(Trim(fields[0])), physical);
            }
            if (fields.size() > 1 && IsNumber(Trim(fields[1])) && IsNumber(Trim(fields[0]))) {
                const double time = tovtext::LeadingDouble(Trim(fields[1]));
                const std::int64_t frame = tovtext::LeadingInt(Trim(fields[0]));
                if (!anyRow) {
                    firstTime = time;
                    firstTimeFrame = frame;
                    firstRowLine = physical;
                }
                anyRow = true;
                lastTime = time;
                lastTimeFrame = frame;
                lastRowLine = physical;
                timeDecimals = std::min(timeDecimals, Decimals(fields[1]));
            }
        }
    }
    if (!anyLine) {
        out.push_back(Found(0, 0, "", "the file is empty", Effect::Misread));
        return out;
    }
    if (trc.GetNumMarkers() == 0 && trc.GetNumRows() == 0) {
        out.push_back(Found(0, 0, "", "holds no marker names and no data rows", Effect::Misread));
        return out;
    }
    if (trc.GetNumFrames() != static_cast<std::int64_t>(trc.GetNumRows())) {
        out.push_back(Found(line3, framesColumn, framesText,
                            "the header gives " +
                                Counted(static_cast<std::uint64_t>(std::max(trc.GetNumFrames(), 0)),
                                        "frame", "frames") +
                                ", the file holds " + Counted(trc.GetNumRows(), "data row", "data rows"),
                            Effect::Misread));
    }
    if (headerMarkers >= 0 &&
        headerMarkers != static_cast<std::int64_t>(nameSlots + !unreadName.empty())) {
        out.push_back(Found(line3, markersColumn, markersText,
                            "the header gives " +
                                Counted(static_cast<std::uint64_t>(headerMarkers), "marker", "markers") +
                                ", the name line names " + std::to_string(trc.GetNumMarkers()),
                            Effect::Note));
    }
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        if (trc.GetMarker(m)->GetName().empty()) {
            out.push_back(Found(line4, 0, "",
                                "marker " + std::to_string(m + 1) +
                                    " has no name on the name line; it is read with an empty name",
                                Effect::Misread));
        }
    }
    if (widerRows > 0 && !(unreadName.size() > 0 && widestRow <= 2 + 3 * (nameSlots + 1))) {
        out.push_back(Found(firstWider, firstWiderColumn, "",
                            Counted(widerRows, "data row holds", "data rows hold") +
                                " more columns than the markers named (up to " +
                                std::to_string(widestRow) + " fields against " +
                                std::to_string(2 + 3 * nameSlots) + ", first on line " +
                                std::to_string(firstWider) + "); the extra columns are not read",
                            Effect::Shift));
    }
    if (text.count > 0) {
        out.push_back(Found(text.firstLine, text.firstColumn, text.firstRaw,
                            Counted(text.count, "coordinate field holds", "coordinate fields hold") +
                                " text, not a number (" + text.Where() +
                                "); read as 0, not as a dropout",
                            Effect::Misread));
    }

    // What only the diagnosis says.
    if (typeBlank && writtenType != readType) {
        const std::int64_t meant = writtenType == 4 ? headerStart
                                   : writtenType == 3 && frames.any ? frames.first
                                                                    : 1;
        typeFinding.text = "a blank, not a tab, follows the first field, so the path-file type " +
                           std::to_string(writtenType) + " is not read (read as " +
                           std::to_string(readType) + ")" +
                           (meant == trc.GetStartFrame()
                                ? "; the start frame comes out the same"
                                : "; the start frame is read as " +
                                      std::to_string(trc.GetStartFrame()) + ", not " +
                                      std::to_string(meant));
        typeFinding.effect = meant == trc.GetStartFrame() ? Effect::Note : Effect::Misread;
        out.push_back(typeFinding);
    }
    if (shortRows > 0) {
        out.push_back(Found(firstShort, firstShortColumn, shortField,
                            Counted(shortRows, "data row ends", "data rows end") +
                                " before the markers' columns without a tab after its last field "
                                "(first on line " + std::to_string(firstShort) +
                                "): the markers past its end read that field, " + Quoted(shortField) +
                                ", as x, y and z, not as dropouts",
                            Effect::Shift, false));
    }
    frames.Report(out, "the data rows");
    if (frames.any && frames.first != trc.GetStartFrame()) {
        const std::int64_t off = frames.first - trc.GetStartFrame();
        out.push_back(Found(frames.firstLine, 1, std::to_string(frames.first),
                            "the rows number their frames from " + std::to_string(frames.first) +
                                ", the reader starts them at " +
                                std::to_string(trc.GetStartFrame()) + " (" +
                                (readType == 3 ? std::string("the first row")
                                               : readType == 4 ? "line 3, field 7"
                                                               : "path-file type " +
                                                                     std::to_string(readType)) +
                                ")",
                            off > 1 || off < -1 ? Effect::Misread : Effect::Note, false));
    }
    // The times against the rate read: over the whole span, within what the
    // times' decimals can say.
    const std::int32_t rate = trc.GetDataRate();
    if (anyRow && lastTimeFrame > firstTimeFrame && rate > 0) {
        const double span = lastTime - firstTime;
        const double expected = static_cast<double>(lastTimeFrame - firstTimeFrame) / rate;
        const double tolerance = std::pow(10.0, -timeDecimals) + 1e-9 * std::fabs(expected);
        if (std::fabs(span - expected) > tolerance && span > 0) {
            const double timesRate = static_cast<double>(lastTimeFrame - firstTimeFrame) / span;
            char measured[32];
            std::snprintf(measured, sizeof measured, "%.6g", timesRate);
            out.push_back(Found(lastRowLine, 0, "",
                                "the times of lines " + std::to_string(firstRowLine) + " to " +
                                    std::to_string(lastRowLine) + " advance " + measured +
                                    " frames a second, the data rate is read as " +
                                    std::to_string(rate) + "; frames are placed by the rate",
                                Effect::Misread, false));
        }
    }
    // Markers never seen: every sample a dropout, or at the origin exactly.
    std::uint64_t unseen = 0;
    std::string unseenNames;
    std::uint64_t unseenColumn = 0;
    for (std::uint32_t m = 0; m < trc.GetNumMarkers() && trc.GetNumRows() > 0; ++m) {
        const TRCMarker* marker = trc.GetMarker(m);
        bool seen = false;
        for (std::uint32_t i = 0; i < marker->GetNumSamples() && !seen; ++i) {
            double x = 0, y = 0, z = 0;
            seen = marker->GetPosition(i, x, y, z) && (x != 0 || y != 0 || z != 0);
        }
        if (seen) continue;
        const std::string markerName = TextCodec::EncodeUtf8(marker->GetName());
        if (unseen++ < 5) unseenNames += (unseenNames.empty() ? "" : ", ") + Quoted(markerName);
        if (unseenColumn == 0) {
            for (const auto& [written, column] : nameColumns) {
                if (written == markerName) {
                    unseenColumn = column;
                    break;
                }
            }
        }
    }
    if (unseen > 0) {
        out.push_back(Found(line4, unseenColumn, "",
                            Counted(unseen, "marker is", "markers are") + " never seen (" +
                                unseenNames + (unseen > 5 ? ", ..." : "") +
                                "): every sample a dropout or at the origin exactly",
                            Effect::Note, false));
    }
    return out;
}

void CheckTrcFile(const std::string& path, const std::string& name, const TRCFile& trc,
                  Warnings& warnings) {
    for (const Finding& finding : FindTrcProblems(path, trc)) {
        if (finding.warning) warnings.Add(name, finding.text);
    }
}

namespace {

// A header keyword the reader knows, when `word` is one spelt in another
// letter case; else null.
const char* KeywordInOtherCase(std::string_view word) {
    static const char* const kKeywords[] = {
        "FileType",      "DataType",      "FileVersion",         "NumSegments",
        "NumFrames",     "DataFrameRate", "EulerRotationOrder",  "CalibrationUnits",
        "RotationUnits", "ScaleFactor",   "GlobalAxisofGravity", "BoneLengthAxis"};
    for (const char* keyword : kKeywords) {
        const std::string_view known(keyword);
        if (word == known || word.size() != known.size()) continue;
        if (std::equal(word.begin(), word.end(), known.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return keyword;
        }
    }
    return nullptr;
}

bool IsRotationUnitsWord(std::string_view word) {
    for (const char* known : {"Degrees", "degrees", "DEGREES", "Degree", "degree", "DEGREE",
                              "Radians", "radians", "RADIANS", "Radian", "radian"}) {
        if (word == known) return true;
    }
    return false;
}

}  // namespace

std::vector<Finding> FindHtrProblems(const std::string& path, const HTRFile& htr) {
    std::vector<Finding> out;
    std::vector<Finding> quiet;  // what only the diagnosis says, after the warnings
    Lines lines(path);
    std::string_view line;
    std::vector<std::string_view> fields;
    enum class Section { Header, Hierarchy, BasePosition, Frames } section = Section::Header;
    bool sawHeader = false, sawHierarchy = false, sawBase = false;
    bool sawNumFrames = false, sawRate = false;
    std::int64_t headerSegments = -1;
    std::uint64_t segmentsLine = 0, segmentsColumn = 0;
    std::string segmentsText;
    TextInNumbers text;
    bool anyLine = false;
    FrameNumbers frames;
    std::uint64_t frameGaps = 0;
    FrameNumbers firstGap;
    while (lines.Next(line)) {
        anyLine = true;
        if (!line.empty() && line.front() == '#') continue;
        const std::string_view full = line;
        line = line.substr(0, line.find('#'));
        if (!line.empty() && line.front() == '[') {
            const std::string_view section_name = line.substr(1, line.find(']') - 1);
            if (section == Section::Frames) {
                frameGaps += frames.gaps;
                if (firstGap.gaps == 0 && frames.gaps > 0) firstGap = frames;
            }
            frames = FrameNumbers();
            if (section_name == "Header") {
                section = Section::Header;
                sawHeader = true;
            } else if (section_name == "SegmentNames&Hierarchy") {
                section = Section::Hierarchy;
                sawHierarchy = true;
            } else if (section_name == "BasePosition") {
                section = Section::BasePosition;
                sawBase = true;
            } else {
                section = Section::Frames;
            }
            continue;
        }
        SplitBlanks(line, fields);
        if (fields.empty()) continue;
        const std::uint64_t number = lines.Number();
        if (section == Section::Header && fields.size() >= 2) {
            const std::string_view value = fields.back();
            const std::uint64_t valueColumn = ColumnOf(full, value);
            if (fields[0] == "NumFrames") sawNumFrames = true;
            if (fields[0] == "DataFrameRate") sawRate = true;
            if (fields[0] == "NumSegments") {
                headerSegments = tovtext::LeadingInt(value);
                segmentsLine = number;
                segmentsColumn = valueColumn;
                segmentsText = std::string(value);
            }
            if (fields[0] == "NumFrames" || fields[0] == "DataFrameRate" ||
                fields[0] == "NumSegments" || fields[0] == "ScaleFactor") {
                text.Check(value, full, number);
            }
            if (fields[0] == "CalibrationUnits" && !IsUnitWord(value)) {
                quiet.push_back(Found(number, valueColumn, value,
                                      Quoted(value) + " is not a unit word the reader knows (mm, cm, "
                                      "m, in, ft, yd); read as mm",
                                      Effect::Misread, false));
            }
            if (fields[0] == "RotationUnits" && !IsRotationUnitsWord(value)) {
                quiet.push_back(Found(number, valueColumn, value,
                                      Quoted(value) + " is not a rotation unit the reader knows "
                                      "(Degrees, Radians); read as Degrees",
                                      Effect::Misread, false));
            }
            if (const char* keyword = KeywordInOtherCase(fields[0])) {
                const std::string_view known(keyword);
                const bool checkOnly = known == "GlobalAxisofGravity" || known == "BoneLengthAxis" ||
                                       known == "FileType" || known == "DataType" ||
                                       known == "FileVersion" || known == "EulerRotationOrder";
                quiet.push_back(Found(number, ColumnOf(full, fields[0]), fields[0],
                                      Quoted(fields[0]) + " is not a keyword: the reader knows " +
                                          Quoted(known) + " only and ignores the line",
                                      checkOnly ? Effect::Note : Effect::Misread, false));
            }
        } else if (section == Section::BasePosition || section == Section::Frames) {
            for (std::size_t i = 1; i < fields.size(); ++i) text.Check(fields[i], full, number);
            if (section == Section::Frames && IsNumber(fields[0])) {
                frames.Add(tovtext::LeadingInt(fields[0]), number);
            }
        }
    }
    frameGaps += frames.gaps;
    if (firstGap.gaps == 0 && frames.gaps > 0) firstGap = frames;
    if (!anyLine) {
        out.push_back(Found(0, 0, "", "the file is empty", Effect::Misread));
        return out;
    }
    if (!sawHeader && !sawHierarchy && !sawBase) {
        out.push_back(Found(0, 0, "",
                            "holds nothing of an HTR file: no [Header], [SegmentNames&Hierarchy] "
                            "or [BasePosition] section",
                            Effect::Misread));
        return out;
    }
    if (htr.SegmentCount() == 0) {
        out.push_back(Found(0, 0, "", "holds no segments", Effect::Misread));
        return out;
    }
    if (!sawHierarchy) {
        out.push_back(Found(0, 0, "",
                            "has no [SegmentNames&Hierarchy] section: no segment has a parent",
                            Effect::Shift));
    }
    if (!sawNumFrames) {
        out.push_back(Found(0, 0, "", "the header gives no NumFrames; read as 0", Effect::Misread));
    }
    if (!sawRate) {
        out.push_back(Found(0, 0, "", "the header gives no DataFrameRate; read as 0", Effect::Misread));
    }
    if (headerSegments >= 0 && headerSegments != static_cast<std::int64_t>(htr.SegmentCount())) {
        out.push_back(Found(segmentsLine, segmentsColumn, segmentsText,
                            "the header gives " +
                                Counted(static_cast<std::uint64_t>(headerSegments), "segment", "segments") +
                                ", the file holds " + std::to_string(htr.SegmentCount()),
                            Effect::Misread));
    }
    // Segments whose frames differ from the header's count.
    std::uint32_t differing = 0;
    const HTRSegment* example = nullptr;
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        if (htr.Segment(i)->FrameCount() != htr.GetNumFrames()) {
            if (differing++ == 0) example = htr.Segment(i);
        }
    }
    if (differing > 0) {
        out.push_back(Found(0, 0, "",
                            "the header gives " + Counted(htr.GetNumFrames(), "frame", "frames") + ", " +
                                (differing == htr.SegmentCount()
                                     ? std::string("every segment holds another count")
                                     : Counted(differing, "segment holds", "segments hold") +
                                           " another count") +
                                " (" + TextCodec::EncodeUtf8(example->Name()) + ": " +
                                std::to_string(example->FrameCount()) + ")",
                            Effect::Misread));
    }
    if (text.count > 0) {
        out.push_back(Found(text.firstLine, text.firstColumn, text.firstRaw,
                            Counted(text.count, "number field holds", "number fields hold") +
                                " text (" + text.Where() + "); read by its leading number, or 0",
                            Effect::Misread));
    }
    firstGap.gaps = frameGaps;
    firstGap.Report(quiet, "the frame sections");
    out.insert(out.end(), quiet.begin(), quiet.end());
    return out;
}

void CheckHtrFile(const std::string& path, const std::string& name, const HTRFile& htr,
                  Warnings& warnings) {
    for (const Finding& finding : FindHtrProblems(path, htr)) {
        if (finding.warning) warnings.Add(name, finding.text);
    }
}

std::vector<Finding> LocateReadFailure(const std::string& path, bool trc,
                                       const std::string& message) {
    std::vector<Finding> out;
    if (message == "The file could not be opened") return out;
    Lines lines(path);
    std::string_view line;
    std::vector<std::string_view> fields;
    if (trc && message.find("(X/Y/Z)") != std::string::npos) {
        if (!lines.Next(line)) {
            out.push_back(Found(1, 0, "", "line 1 is missing", Effect::Refusal));
            return out;
        }
        SplitTabs(line, fields);
        std::string found = fields.size() > 2 ? "the third tab-separated field is " + Quoted(fields[2])
                                              : std::string("there is no third tab-separated field");
        std::string hint;
        // Where a tab belongs: the first blank or comma that ends a field of
        // the first three.
        std::size_t where = std::string_view::npos;
        if (line.find('\t') == std::string_view::npos && line.find(',') != std::string_view::npos) {
            hint = "; its fields are separated by commas, not tabs";
            where = line.find(',');
        } else if (line.find(' ') != std::string_view::npos) {
            hint = "; spaces, not a tab, separate some of its fields";
            where = line.find(' ');
        }
        std::uint64_t column = where != std::string_view::npos ? ColumnOf(line, where)
                               : fields.size() > 2              ? ColumnOf(line, fields[2])
                                                                : 0;
        const std::string_view at =
            where != std::string_view::npos
                ? line.substr(where, line.find_first_not_of(line[where], where) - where)
                : std::string_view();
        out.push_back(Found(1, column, at, found + hint, Effect::Refusal));
        return out;
    }
    if (trc) return out;
    // The first line whose first word is the keyword the message quotes
    // ("... compatible "KEYWORD" header state"), the segment it names
    // ("...: NAME"), or NumSegments for a segment count that is wrong.
    std::string keyword;
    const std::size_t open = message.find('"');
    const std::size_t close = open == std::string::npos ? open : message.find('"', open + 1);
    if (close != std::string::npos) {
        keyword = message.substr(open + 1, close - open - 1);
    } else if (message.find("number of segments") != std::string::npos) {
        keyword = "NumSegments";
    } else if (const std::size_t colon = message.rfind(": "); colon != std::string::npos) {
        keyword = message.substr(colon + 2);
    }
    if (keyword.empty()) return out;
    while (lines.Next(line)) {
        const std::string_view content = Trim(line.substr(0, line.find('#')));
        SplitBlanks(content, fields);
        if (!fields.empty() && fields[0] == keyword) {
            static const std::pair<const char*, const char*> kAccepted[] = {
                {"FileType", "HTR, Htr or htr"},  {"DataType", "HTRS, Htrs or htrs"},
                {"FileVersion", "1"},             {"EulerRotationOrder", "ZYX"},
                {"GlobalAxisofGravity", "Y or Z"}, {"BoneLengthAxis", "Y"}};
            std::string why;
            for (const auto& [known, values] : kAccepted) {
                if (keyword == known) {
                    why = "the reader takes " + keyword + " " + values + " only, not " +
                          Quoted(fields.back());
                }
            }
            out.push_back(Found(lines.Number(), ColumnOf(line, fields.back()), content, why,
                                Effect::Refusal));
            return out;
        }
    }
    return out;
}

std::string ExplainReadFailure(const std::string& path, const std::string& shown,
                               const std::string& name, bool trc, const std::string& message) {
    if (message == "The file could not be opened") {
        std::string reason = WhyNotReadable(path);
        if (reason.empty()) reason = "not readable";
        return "(" + (shown == name ? reason : "tried " + shown + ": " + reason) + ")";
    }
    const std::vector<Finding> found = LocateReadFailure(path, trc, message);
    if (found.empty()) return std::string();
    const Finding& cause = found.front();
    if (cause.line == 1 && cause.text == "line 1 is missing") return "(line 1 is missing)";
    return "(line " + std::to_string(cause.line) + ": " +
           (trc ? cause.text : Quoted(cause.found)) + ")";
}
